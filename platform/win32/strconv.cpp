#include <limits>
#include <windows.h>

#include "platform/strconv.h"

namespace platform {

// The thread's ANSI code page, both ways. Characters the code page lacks become its default
// character on the way out, as the system's own conversions do.

std::u16string AnsiToUtf16(std::string_view text) {
    std::u16string out;
    if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return out;
    const int nIn = static_cast<int>(text.size());
    const int nOut = ::MultiByteToWideChar(CP_ACP, 0, text.data(), nIn, nullptr, 0);
    if (nOut <= 0)
        return out;
    out.resize(static_cast<std::size_t>(nOut));
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), nIn, reinterpret_cast<LPWSTR>(out.data()), nOut);
    return out;
}

std::size_t Utf16Length(std::string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return 0;
    const int nOut =
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    return nOut > 0 ? static_cast<std::size_t>(nOut) : 0;
}

void AnsiToUtf16Into(std::string_view text, char16_t* pOut, std::size_t nOut) {
    if (nOut == 0)
        return;
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                          reinterpret_cast<LPWSTR>(pOut), static_cast<int>(nOut));
}

std::string Utf16ToAnsi(std::u16string_view text) {
    std::string out;
    if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return out;
    const auto* pIn = reinterpret_cast<LPCWCH>(text.data());
    const int nIn = static_cast<int>(text.size());
    const int nOut = ::WideCharToMultiByte(CP_ACP, 0, pIn, nIn, nullptr, 0, nullptr, nullptr);
    if (nOut <= 0)
        return out;
    out.resize(static_cast<std::size_t>(nOut));
    ::WideCharToMultiByte(CP_ACP, 0, pIn, nIn, out.data(), nOut, nullptr, nullptr);
    return out;
}

BSTR BstrFromUtf8(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return nullptr;
    const int nIn = static_cast<int>(text.size());
    const int nOut = nIn == 0 ? 0 : ::MultiByteToWideChar(CP_UTF8, 0, text.data(), nIn, nullptr, 0);
    if (nIn != 0 && nOut <= 0)
        return nullptr;
    const BSTR bstr = ::SysAllocStringLen(nullptr, static_cast<UINT>(nOut));
    if (bstr && nOut > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), nIn, bstr, nOut);
    return bstr;
}

std::string BstrToUtf8(BSTR bstr) {
    std::string out;
    const UINT nIn = bstr ? ::SysStringLen(bstr) : 0;
    if (nIn == 0 || nIn > static_cast<UINT>(std::numeric_limits<int>::max()))
        return out;
    const int nOut = ::WideCharToMultiByte(CP_UTF8, 0, bstr, static_cast<int>(nIn), nullptr, 0,
                                           nullptr, nullptr);
    if (nOut <= 0)
        return out;
    out.resize(static_cast<std::size_t>(nOut));
    ::WideCharToMultiByte(CP_UTF8, 0, bstr, static_cast<int>(nIn), out.data(), nOut, nullptr,
                          nullptr);
    return out;
}

} // namespace platform
