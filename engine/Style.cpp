// Style sections to STYLE attributes.
#include "engine/GenThread.h"
#include "engine/TextUtil.h"

namespace {

struct StyleTag {
    std::string_view tag;
    std::string_view declaration; // what the tag writes; for tags with a value, the property
    bool bTakesValue;
    std::string_view unit; // written after the value
};

// In the order a line's tag is compared with them.
constexpr StyleTag kStyleTags[] = {
    {"<BOLD>", "font-weight=extra-bold", false, ""},
    {"<ITALIC>", "font-style=italic", false, ""},
    {"<FONT>", "font-family=", true, ""},
    {"<FONT_SIZE>", "font-size=", true, "pt"},
    {"<ALIGN_LEFT>", "text-align=left", false, ""},
    {"<ALIGN_RIGHT>", "text-align=right", false, ""},
    {"<ALIGN_CENTER>", "text-align=center", false, ""},
    {"<COLOR_BLACK>", "color=#000000", false, ""},
    {"<COLOR_WHITE>", "color=#FFFFFF", false, ""},
    {"<COLOR_RED>", "color=#FF0000", false, ""},
    {"<COLOR_BLUE>", "color=#0000FF", false, ""},
    {"<COLOR_GREEN>", "color=#00FF00", false, ""},
};

} // namespace

BOOL CGenThread::BuildStyleAttribute(std::string strStyle, std::string& strAttribute,
                                     std::size_t* pnBadLine) const {
    strAttribute.clear();
    const std::vector<std::string>* pLines = m_formFile.GetSection(strStyle);
    if (!pLines || pLines->empty())
        return FALSE;

    std::string strBuilt = " STYLE=\"";
    for (std::size_t nLine = 0; nLine < pLines->size(); ++nLine) {
        const std::string_view line = engine::TrimView((*pLines)[nLine]);
        // The tag runs up to and including the first ">"; a line without ">" has no tag.
        const std::size_t nClose = line.find('>');
        const std::string_view tag =
            nClose == std::string_view::npos ? std::string_view() : line.substr(0, nClose + 1);
        const std::string_view value =
            nClose == std::string_view::npos ? std::string_view() : line.substr(nClose + 1);

        const StyleTag* pMatch = nullptr;
        for (const StyleTag& known : kStyleTags) {
            if (known.tag == tag) {
                pMatch = &known;
                break;
            }
        }
        if (!pMatch) {
            // One unknown tag spoils the whole section: strAttribute stays empty.
            if (pnBadLine)
                *pnBadLine = nLine;
            return FALSE;
        }
        strBuilt += pMatch->declaration;
        if (pMatch->bTakesValue) {
            strBuilt += value;
            strBuilt += pMatch->unit;
        }
        strBuilt += "; ";
    }
    // Drop the blank in front of STYLE and the "; " after the last declaration.
    engine::TrimInPlace(strBuilt);
    strBuilt.pop_back();
    strBuilt += '"';
    strAttribute = std::move(strBuilt);
    return TRUE;
}

const std::string& CGenThread::StyleAttributeOf(std::string_view strStyle) const {
    auto it = m_mapStyleAttributes.find(strStyle);
    if (it == m_mapStyleAttributes.end()) {
        std::string strAttribute;
        BuildStyleAttribute(std::string(strStyle), strAttribute);
        it = m_mapStyleAttributes.emplace(strStyle, std::move(strAttribute)).first;
    }
    return it->second;
}
