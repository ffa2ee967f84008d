// Small string helpers shared by the engine's source files.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// The white space that "trimming" removes everywhere in the engine.
inline constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

inline std::string_view TrimView(std::string_view s) {
    const std::size_t nFirst = s.find_first_not_of(kWhiteSpace);
    if (nFirst == std::string_view::npos)
        return {};
    const std::size_t nLast = s.find_last_not_of(kWhiteSpace);
    return s.substr(nFirst, nLast - nFirst + 1);
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
    return s.substr(0, prefix.size()) == prefix;
}

inline bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

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
    return "\"" + std::string(rest.substr(0, nLength)) + "\"";
}

// Every page carries this title.
inline constexpr std::string_view kPageTitle = "User Notification";

// The opening of a paragraph: "<p STYLE=...>" with a style attribute, "<p>" without one.
inline void AppendParagraphOpening(std::string& strOut, const std::string& strAttribute) {
    if (strAttribute.empty()) {
        strOut += "<p>";
    } else {
        strOut += "<p ";
        strOut += strAttribute;
        strOut += '>';
    }
}

} // namespace engine
