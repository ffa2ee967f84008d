#include <limits>
#include <windows.h>

#include "platform/charset.h"

namespace platform {

namespace {

struct CodePageName {
    UINT nCodePage;
    const char* szName;
};

// The ANSI code pages Windows is set up with, by the names browsers know them by.
constexpr CodePageName kNames[] = {
    {874, "windows-874"},   {932, "Shift_JIS"},     {936, "GBK"},           {949, "EUC-KR"},
    {950, "Big5"},          {1250, "windows-1250"}, {1251, "windows-1251"}, {1252, "windows-1252"},
    {1253, "windows-1253"}, {1254, "windows-1254"}, {1255, "windows-1255"}, {1256, "windows-1256"},
    {1257, "windows-1257"}, {1258, "windows-1258"}, {20127, "us-ascii"},    {28591, "iso-8859-1"},
    {28592, "iso-8859-2"},  {28605, "iso-8859-15"}, {65001, "utf-8"},
};

std::wstring Widen(std::string_view text, UINT nCodePage) {
    std::wstring out;
    const int nIn = static_cast<int>(text.size());
    const int nOut = ::MultiByteToWideChar(nCodePage, 0, text.data(), nIn, nullptr, 0);
    if (nOut <= 0)
        return out;
    out.resize(static_cast<std::size_t>(nOut));
    ::MultiByteToWideChar(nCodePage, 0, text.data(), nIn, out.data(), nOut);
    return out;
}

} // namespace

std::string AnsiCharsetName() {
    const UINT nAcp = ::GetACP();
    for (const CodePageName& name : kNames) {
        if (name.nCodePage == nAcp)
            return name.szName;
    }
    // A code page without a name a browser knows: windows-1252 is the one browsers assume
    // for pages that name none, so it is the least surprising guess.
    return "windows-1252";
}

std::string AnsiToUtf8(std::string_view text) {
    std::string out;
    if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return out;
    const std::wstring wide = Widen(text, CP_ACP);
    const int nIn = static_cast<int>(wide.size());
    const int nOut =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), nIn, nullptr, 0, nullptr, nullptr);
    if (nOut <= 0)
        return out;
    out.resize(static_cast<std::size_t>(nOut));
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), nIn, out.data(), nOut, nullptr, nullptr);
    return out;
}

} // namespace platform
