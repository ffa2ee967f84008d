// Conversion between the component's 8-bit text (the ANSI code page) and UTF-16.
//
// On Windows the ANSI code page is the thread's. Elsewhere it is UTF-8, with one addition so that
// any byte string survives the trip to UTF-16 and back unchanged: a byte that is not part of a
// well-formed UTF-8 sequence becomes the lone surrogate U+DC80 + (byte - 0x80) on the way in, and
// such a surrogate becomes that byte again on the way out. Other unpaired surrogates become U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform {

std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);

// AnsiToUtf16 into storage the caller has: Utf16Length gives the number of units, and
// AnsiToUtf16Into writes exactly that many at pOut. BstrFromAnsi converts straight into the
// BSTR this way, without a UTF-16 copy in between (a long text is converted once and held
// twice, not three times).
std::size_t Utf16Length(std::string_view text);
void AnsiToUtf16Into(std::string_view text, char16_t* pOut, std::size_t nOut);

// BSTR helpers: a null BSTR reads as the empty string. BstrFromAnsi gives null when the
// string cannot be allocated.
std::string BstrToAnsi(BSTR bstr);
BSTR BstrFromAnsi(std::string_view text);

// The strings of the C API: UTF-8 on every system. Outside Windows that is the component's own
// 8-bit text, so these are BstrFromAnsi and BstrToAnsi (other bytes carried through as above);
// on Windows, whose 8-bit text is the ANSI code page, they convert with the UTF-8 code page
// instead, and an ill-formed sequence becomes U+FFFD.
BSTR BstrFromUtf8(std::string_view text);
std::string BstrToUtf8(BSTR bstr);

// A BSTR made from 8-bit text, owned for as long as the object lives (for passing to calls).
class ScopedBstr {
public:
    explicit ScopedBstr(std::string_view text) : m_bstr(BstrFromAnsi(text)) {}
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr();
    BSTR Get() const { return m_bstr; }

private:
    BSTR m_bstr;
};

} // namespace platform
