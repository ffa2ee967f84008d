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
    // Straight into the BSTR: no UTF-16 copy of a long text in between.
    const std::size_t nUnits = Utf16Length(text);
    if (nUnits > std::numeric_limits<UINT>::max())
        return nullptr;
    const BSTR bstr = SysAllocStringLen(nullptr, static_cast<UINT>(nUnits));
    if (bstr)
        AnsiToUtf16Into(text, reinterpret_cast<char16_t*>(bstr), nUnits);
    return bstr;
}

} // namespace platform
