#include <limits>

#include "platform/bstr.h"
#include "platform/strconv.h"

// BSTR characters are OLECHAR: char16_t here, wchar_t (also 16 bits) on Windows.
static_assert(sizeof(OLECHAR) == sizeof(char16_t));

namespace platform {

ScopedBstr::~ScopedBstr() {
    SysFreeString(m_bstr);
}

std::string BstrToAnsi(BSTR bstr) {
    if (!bstr)
        return {};
    return Utf16ToAnsi(
        std::u16string_view(reinterpret_cast<const char16_t*>(bstr), SysStringLen(bstr)));
}

BSTR BstrFromAnsi(std::string_view text) {
    const std::u16string wide = AnsiToUtf16(text);
    if (wide.size() > std::numeric_limits<UINT>::max())
        return nullptr;
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()),
                             static_cast<UINT>(wide.size()));
}

} // namespace platform
