#include "platform/strconv.h"

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

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::u16string AnsiToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t nLen = SequenceLength(p + i, n - i);
        switch (nLen) {
        case 0:
            out += static_cast<char16_t>(kEscapeBase + p[i]);
            i += 1;
            continue;
        case 1:
            out += static_cast<char16_t>(p[i]);
            break;
        case 2:
            out += static_cast<char16_t>(((p[i] & 0x1F) << 6) | (p[i + 1] & 0x3F));
            break;
        case 3:
            out += static_cast<char16_t>(((p[i] & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) |
                                         (p[i + 2] & 0x3F));
            break;
        default: {
            const char32_t cp = ((p[i] & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) |
                                ((p[i + 2] & 0x3Fu) << 6) | (p[i + 3] & 0x3Fu);
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            break;
        }
        }
        i += nLen;
    }
    return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            AppendUtf8(out,
                       0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out += static_cast<char>(c - kEscapeBase);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

} // namespace platform
