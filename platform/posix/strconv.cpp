#include "platform/strconv.h"

#include <cstdint>
#include <cstring>

namespace platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // bytes 0x80..0xFF travel as U+DC80..U+DCFF

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at p (at most nLeft bytes), 0 when there is none.
std::size_t SequenceLength(const unsigned char* p, std::size_t nLeft) {
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return nLeft >= 2 && IsContinuation(p[1]) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (nLeft < 3 || !IsContinuation(p[1]) || !IsContinuation(p[2]))
            return 0;
        if (c == 0xE0 && p[1] < 0xA0)
            return 0; // overlong
        if (c == 0xED && p[1] > 0x9F)
            return 0; // a surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (nLeft < 4 || !IsContinuation(p[1]) || !IsContinuation(p[2]) || !IsContinuation(p[3]))
            return 0;
        if (c == 0xF0 && p[1] < 0x90)
            return 0; // overlong
        if (c == 0xF4 && p[1] > 0x8F)
            return 0; // beyond U+10FFFF
        return 4;
    }
    return 0;
}

// Writes cp as UTF-8 at q and returns the position after it.
char* PutUtf8(char* q, char32_t cp) {
    if (cp < 0x80) {
        *q++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *q++ = static_cast<char>(0xC0 | (cp >> 6));
        *q++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *q++ = static_cast<char>(0xE0 | (cp >> 12));
        *q++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *q++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *q++ = static_cast<char>(0xF0 | (cp >> 18));
        *q++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *q++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *q++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return q;
}

// Texts are mostly ASCII, and every host's text goes through here twice (into the BSTR and out
// of it), so ASCII runs are handled in whole words: eight bytes or four UTF-16 units at a time.
// Returns the length in characters of the word-aligned ASCII run at the start of p, and copies
// it to q (one character for one) when q is given; the caller takes what follows one by one.
template <class In, class Out> std::size_t AsciiRun(const In* p, std::size_t n, Out* q) {
    static_assert(sizeof(In) == 1 || sizeof(In) == 2);
    constexpr std::size_t kPerWord = 8 / sizeof(In);
    // The bits that are set in a word when one of its characters is not ASCII.
    constexpr std::uint64_t kHighBits =
        sizeof(In) == 1 ? 0x8080808080808080ull : 0xFF80FF80FF80FF80ull;
    std::size_t i = 0;
    for (std::uint64_t w; i + kPerWord <= n; i += kPerWord) {
        std::memcpy(&w, p + i, 8);
        if (w & kHighBits)
            break;
        if (q)
            for (std::size_t k = 0; k < kPerWord; ++k)
                q[i + k] = static_cast<Out>(p[i + k]);
    }
    return i;
}

// What one UTF-16 unit (or pair) at text[i] becomes: its code point for PutUtf8, or, for an
// escaped byte, that byte (bByte). nUnits receives 1 or 2.
char32_t DecodeUnit(std::u16string_view text, std::size_t i, std::size_t& nUnits, bool& bByte) {
    const char16_t c = text[i];
    nUnits = 1;
    bByte = false;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
        nUnits = 2;
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
    }
    if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
        bByte = true;
        return c - kEscapeBase;
    }
    if (c >= 0xD800 && c <= 0xDFFF)
        return 0xFFFD;
    return c;
}

std::size_t Utf8Length(char32_t cp) {
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

} // namespace

std::size_t Utf16Length(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t nUnits = 0;
    for (std::size_t i = 0; i < n;) {
        const std::size_t nAscii = AsciiRun(p + i, n - i, static_cast<char16_t*>(nullptr));
        nUnits += nAscii;
        i += nAscii;
        if (i == n)
            break;
        const std::size_t nLen = SequenceLength(p + i, n - i);
        nUnits += nLen == 4 ? 2 : 1;
        i += nLen == 0 ? 1 : nLen;
    }
    return nUnits;
}

namespace {

// Writes the UTF-16 of text at q, which has room for it (at most one unit per byte), and
// returns the position after the last unit written.
char16_t* ConvertToUtf16(std::string_view text, char16_t* q) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t nAscii = AsciiRun(p + i, n - i, q);
        q += nAscii;
        i += nAscii;
        if (i == n)
            break;
        const std::size_t nLen = SequenceLength(p + i, n - i);
        switch (nLen) {
        case 0:
            *q++ = static_cast<char16_t>(kEscapeBase + p[i]);
            i += 1;
            continue;
        case 1:
            *q++ = static_cast<char16_t>(p[i]);
            break;
        case 2:
            *q++ = static_cast<char16_t>(((p[i] & 0x1F) << 6) | (p[i + 1] & 0x3F));
            break;
        case 3:
            *q++ = static_cast<char16_t>(((p[i] & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) |
                                         (p[i + 2] & 0x3F));
            break;
        default: {
            const char32_t cp = ((p[i] & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) |
                                ((p[i + 2] & 0x3Fu) << 6) | (p[i + 3] & 0x3Fu);
            *q++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            *q++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            break;
        }
        }
        i += nLen;
    }
    return q;
}

} // namespace

void AnsiToUtf16Into(std::string_view text, char16_t* pOut, std::size_t nOut) {
    // nOut is Utf16Length(text): the conversion fills it exactly.
    static_cast<void>(nOut);
    ConvertToUtf16(text, pOut);
}

std::u16string AnsiToUtf16(std::string_view text) {
    // Never more units than bytes: the string is cut to what was written at the end.
    std::u16string out(text.size(), u'\0');
    out.resize(static_cast<std::size_t>(ConvertToUtf16(text, out.data()) - out.data()));
    return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
    // Two passes, the first only counting, so that the result is allocated once at its size.
    const std::size_t n = text.size();
    std::size_t nOut = 0;
    for (std::size_t i = 0; i < n;) {
        const std::size_t nAscii = AsciiRun(text.data() + i, n - i, static_cast<char*>(nullptr));
        nOut += nAscii;
        i += nAscii;
        if (i == n)
            break;
        std::size_t nUnits;
        bool bByte;
        const char32_t cp = DecodeUnit(text, i, nUnits, bByte);
        nOut += bByte ? 1 : Utf8Length(cp);
        i += nUnits;
    }
    std::string out(nOut, '\0');
    char* q = out.data();
    for (std::size_t i = 0; i < n;) {
        const std::size_t nAscii = AsciiRun(text.data() + i, n - i, q);
        q += nAscii;
        i += nAscii;
        if (i == n)
            break;
        std::size_t nUnits;
        bool bByte;
        const char32_t cp = DecodeUnit(text, i, nUnits, bByte);
        if (bByte)
            *q++ = static_cast<char>(cp);
        else
            q = PutUtf8(q, cp);
        i += nUnits;
    }
    return out;
}

BSTR BstrFromUtf8(std::string_view text) {
    return BstrFromAnsi(text);
}

std::string BstrToUtf8(BSTR bstr) {
    return BstrToAnsi(bstr);
}

} // namespace platform
