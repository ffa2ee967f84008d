// Style sections to STYLE attributes (the compatible page) and to CSS declarations (the HTML5
// page). Both read a section the same way: one tag a line, and one unknown tag spoils it all.
#include <algorithm>
#include <cctype>

#include "engine/GenThread.h"
#include "engine/TextUtil.h"
#include "engine/Vocabulary.h"

namespace {

using engine::CssValue;
using engine::IsAsciiDigit;
using engine::IsAsciiLetter;
using engine::StyleTag;

// Calls use(tag, value) for each line of the section, in order. False at the first line whose
// tag is unknown (its index in *pnBadLine, if given), or for a missing or empty section.
template <class Use>
bool ForEachStyleTag(const std::optional<CFormFile::Lines>& pLines, std::size_t* pnBadLine,
                     Use use) {
    if (!pLines || pLines->empty())
        return false;
    for (std::size_t nLine = 0; nLine < pLines->size(); ++nLine) {
        const std::string_view line = engine::TrimView((*pLines)[nLine]);
        // The tag runs up to and including the first ">"; a line without ">" has no tag.
        const std::size_t nClose = line.find('>');
        const std::string_view tag =
            nClose == std::string_view::npos ? std::string_view() : line.substr(0, nClose + 1);
        const std::string_view value =
            nClose == std::string_view::npos ? std::string_view() : line.substr(nClose + 1);

        const StyleTag* pMatch = engine::FindStyleTag(tag);
        if (!pMatch) {
            if (pnBadLine)
                *pnBadLine = nLine;
            return false;
        }
        use(*pMatch, value);
    }
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Names that mean something else to CSS when they stand unquoted in a family list: the generic
// families (kept unquoted, as the generic family) and the keywords of every property (quoted,
// as a family of that name).
constexpr std::string_view kGenericFamilies[] = {
    "serif",         "sans-serif",   "monospace",  "cursive", "fantasy", "system-ui", "ui-serif",
    "ui-sans-serif", "ui-monospace", "ui-rounded", "math",    "emoji",   "fangsong"};
constexpr std::string_view kCssKeywords[] = {"inherit", "initial",      "unset",
                                             "revert",  "revert-layer", "default"};

template <std::size_t N> bool IsOneOf(std::string_view word, const std::string_view (&list)[N]) {
    for (std::string_view known : list) {
        if (EqualsNoCase(word, known))
            return true;
    }
    return false;
}

// Whether a family name can stand unquoted: blank-separated ASCII identifiers, none of them a
// keyword.
bool IsPlainFamilyName(std::string_view name) {
    std::size_t nPos = 0;
    while (nPos < name.size()) {
        const std::size_t nEnd = std::min(name.find(' ', nPos), name.size());
        const std::string_view word = name.substr(nPos, nEnd - nPos);
        const bool bStart =
            !word.empty() &&
            (IsAsciiLetter(word[0]) || word[0] == '_' ||
             (word[0] == '-' && word.size() > 1 && (IsAsciiLetter(word[1]) || word[1] == '_')));
        if (!bStart || IsOneOf(word, kCssKeywords) || IsOneOf(word, kGenericFamilies))
            return false;
        for (char c : word) {
            if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '-' && c != '_')
                return false;
        }
        nPos = nEnd + 1;
    }
    return true;
}

// The families of a <FONT> value, comma-separated as in CSS: generic families as they are,
// names that are already quoted as they are, other names quoted where they need it. Empty when
// the value names no family.
std::string FamilyList(std::string_view value) {
    std::string strOut;
    std::size_t nPos = 0;
    while (nPos <= value.size()) {
        const std::size_t nEnd = std::min(value.find(',', nPos), value.size());
        // Runs of blanks inside a name are one blank to CSS as well.
        std::string strName;
        for (char c : engine::TrimView(value.substr(nPos, nEnd - nPos))) {
            if (c != ' ' && c != '\t')
                strName += c;
            else if (strName.back() != ' ') // trimmed: a blank never comes first
                strName += ' ';
        }
        nPos = nEnd + 1;
        if (strName.empty())
            continue;
        if (!strOut.empty())
            strOut += ", ";
        const bool bQuoted = strName.size() >= 2 && (strName[0] == '"' || strName[0] == '\'') &&
                             strName.back() == strName[0] &&
                             strName.find(strName[0], 1) == strName.size() - 1 &&
                             strName.find_first_of("\\<") == std::string::npos;
        if (bQuoted || IsPlainFamilyName(strName) || IsOneOf(strName, kGenericFamilies))
            strOut += strName;
        else
            engine::AppendCssString(strOut, strName);
    }
    return strOut;
}

// A <FONT_SIZE> value CSS reads as a number: digits with at most one decimal point.
bool IsPointSize(std::string_view value) {
    bool bDigit = false, bPoint = false;
    for (char c : value) {
        if (IsAsciiDigit(c))
            bDigit = true;
        else if (c == '.' && !bPoint)
            bPoint = true;
        else
            return false;
    }
    return bDigit;
}

} // namespace

BOOL CGenThread::BuildStyleAttribute(std::string strStyle, std::string& strAttribute,
                                     std::size_t* pnBadLine) const {
    strAttribute.clear();
    std::string strBuilt = " STYLE=\"";
    const bool bAll = ForEachStyleTag(m_formFile.GetSection(strStyle), pnBadLine,
                                      [&](const StyleTag& tag, std::string_view value) {
                                          strBuilt += tag.declaration;
                                          if (tag.bTakesValue) {
                                              strBuilt += value;
                                              strBuilt += tag.unit;
                                          }
                                          strBuilt += "; ";
                                      });
    // One unknown tag spoils the whole section: strAttribute stays empty.
    if (!bAll)
        return FALSE;
    // Drop the blank in front of STYLE and the "; " after the last declaration.
    engine::TrimInPlace(strBuilt);
    strBuilt.pop_back();
    strBuilt += '"';
    strAttribute = std::move(strBuilt);
    return TRUE;
}

BOOL CGenThread::BuildStyleRule(std::string strStyle, std::string& strDeclarations) const {
    strDeclarations.clear();
    std::string strBuilt;
    const auto add = [&strBuilt](std::string_view property, std::string_view value) {
        if (!strBuilt.empty())
            strBuilt += "; ";
        strBuilt += property;
        strBuilt += value;
    };
    const bool bAll = ForEachStyleTag(
        m_formFile.GetSection(strStyle), nullptr, [&](const StyleTag& tag, std::string_view value) {
            // A value CSS cannot read would void the declaration in the browser and make the
            // style sheet invalid: such a declaration is left out.
            const std::string_view trimmed = engine::TrimView(value);
            switch (tag.cssValue) {
            case CssValue::kNone:
                add(tag.css, "");
                break;
            case CssValue::kFamily:
                if (const std::string strFamilies = FamilyList(trimmed); !strFamilies.empty())
                    add(tag.css, strFamilies);
                break;
            case CssValue::kSize:
                if (IsPointSize(trimmed))
                    add(tag.css, std::string(trimmed) + "pt");
                break;
            }
        });
    if (!bAll)
        return FALSE;
    strDeclarations = std::move(strBuilt);
    return TRUE;
}

engine::StyleEntry& CGenThread::StyleOf(std::string_view strStyle) const {
    // A text names the same few styles over and over, and a page is walked twice (the HTML5
    // page counts its styles first): comparing the name with the last few found costs less than
    // hashing it.
    for (const RecentStyle& recent : m_arrRecentStyles) {
        // Length and first letter tell most names apart without a call to memcmp.
        if (recent.pEntry && recent.name.size() == strStyle.size() &&
            (strStyle.empty() || recent.name[0] == strStyle[0]) && recent.name == strStyle)
            return *recent.pEntry;
    }
    auto it = m_mapStyles.find(strStyle);
    if (it == m_mapStyles.end()) {
        engine::StyleEntry entry;
        BuildStyleAttribute(std::string(strStyle), entry.strAttribute, &entry.nBadLine);
        it = m_mapStyles.emplace(strStyle, std::move(entry)).first;
    }
    m_arrRecentStyles[m_nRecentStyles++ % std::size(m_arrRecentStyles)] = {it->first, &it->second};
    return it->second;
}
