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

} // namespace platform
