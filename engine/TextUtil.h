// Small string helpers shared by the engine's source files.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// The white space that "trimming" removes everywhere in the engine.
inline constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

inline bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r'); // blank, tab, LF, VT, FF, CR
}

// Written out rather than with find_first_not_of: a page trims a style name per run, and the
// library's version costs a search of kWhiteSpace per character.
inline std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsWhiteSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsWhiteSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

inline void TrimInPlace(std::string& s) {
    const std::size_t nLast = s.find_last_not_of(kWhiteSpace);
    if (nLast == std::string::npos) {
        s.clear();
        return;
    }
    s.erase(nLast + 1);
    s.erase(0, s.find_first_not_of(kWhiteSpace));
}

inline bool StartsWith(std::string_view s, std::string_view prefix) {
    // Compared over the prefix's own length, which is known where the prefix is a literal: the
    // tokenizer asks this for every marker of a text, and a call to memcmp costs more than that.
    return s.size() >= prefix.size() &&
           std::char_traits<char>::compare(s.data(), prefix.data(), prefix.size()) == 0;
}

inline bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// ASCII only, whatever the locale: the names and URLs these test are ASCII by definition.
inline bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// Hex digits as escapes in URLs, class names and CSS strings write them.
inline constexpr char kHexDigits[] = "0123456789ABCDEF";

inline bool IsDirSeparator(char c) {
    return c == '/' || c == '\\';
}

// The tag at the front of rest, quoted as a message shows it: up to its ">" when that comes
// soon, else just the "<". Soon is within 24 characters: room for any tag a text really holds
// (the markers, an HTML tag, a style name in << >>), while a lone "<" in prose, whose next ">"
// may be sentences away, is quoted as itself instead of pulling that prose into the message.
inline std::string QuoteTag(std::string_view rest) {
    const std::size_t nClose = rest.find('>');
    const std::size_t nLength = nClose != std::string_view::npos && nClose < 24 ? nClose + 1 : 1;
    // Appended piece by piece: g++ 12 at -O3 mistakes "\"" + std::string(...) for an
    // overlapping copy (-Wrestrict).
    std::string strQuoted = "\"";
    strQuoted += rest.substr(0, nLength);
    strQuoted += '"';
    return strQuoted;
}

// Every page carries this title.
inline constexpr std::string_view kPageTitle = "User Notification";

// The opening of a paragraph: "<p STYLE=...>" with a style attribute, "<p>" without one.
inline void AppendParagraphOpening(std::string& strOut, std::string_view strAttribute) {
    if (strAttribute.empty()) {
        strOut += "<p>";
    } else {
        strOut += "<p ";
        strOut += strAttribute;
        strOut += '>';
    }
}

// Text with the characters HTML could read as markup written as character references: "&",
// "<", ">" and '"', and with bApostrophe "'" too. "&#39;" rather than "&apos;", which HTML 4
// does not have and older browsers show as it stands. Plain stretches are appended whole, so a
// long run of text costs one pass and a copy. Kept out of line, so that the page writers' usual
// path, the text as it stands, stays as short as it was.
[[gnu::noinline]] inline void AppendEscapedText(std::string& strOut, std::string_view text,
                                                bool bApostrophe) {
    std::size_t nPlain = 0; // where the stretch not yet appended begins
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string_view reference;
        switch (text[i]) {
        case '&':
            reference = "&amp;";
            break;
        case '<':
            reference = "&lt;";
            break;
        case '>':
            reference = "&gt;";
            break;
        case '"':
            reference = "&quot;";
            break;
        case '\'':
            if (!bApostrophe)
                continue;
            reference = "&#39;";
            break;
        default:
            continue;
        }
        strOut.append(text.data() + nPlain, i - nPlain);
        strOut += reference;
        nPlain = i + 1;
    }
    strOut.append(text.data() + nPlain, text.size() - nPlain);
}

// Text as the value of an HTML attribute in double quotes: the characters that could end the
// value or start a reference are written as references.
inline void AppendAttributeText(std::string& strOut, std::string_view text) {
    AppendEscapedText(strOut, text, false);
}

// Text as a CSS string in double quotes. Besides the quote and the backslash, "<" is escaped so
// that no string can end the <style> element it stands in, and control characters, which a CSS
// string cannot hold as they are.
inline void AppendCssString(std::string& strOut, std::string_view text) {
    strOut += '"';
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            strOut += '\\';
            strOut += c;
        } else if (c == '<' || u < 0x20 || u == 0x7F) {
            strOut += '\\';
            strOut += kHexDigits[u >> 4];
            strOut += kHexDigits[u & 0xF];
            strOut += ' ';
        } else {
            strOut += c;
        }
    }
    strOut += '"';
}

} // namespace engine
