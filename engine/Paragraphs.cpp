// The token list as plain paragraphs, and the split of one layout-section line.
#include "engine/GenThread.h"
#include "engine/PageRenderer.h"
#include "engine/TextUtil.h"

std::string CGenThread::RenderParagraphs() {
    std::string strOut;
    for (std::size_t i = 0; i < m_nTokenCount; ++i)
        AppendPlainParagraph(strOut, TokenText(i));
    return strOut;
}

void CGenThread::AppendPlainParagraph(std::string& strOut, std::string_view run) {
    if (m_strDefaultStyle.empty()) {
        strOut += "<p>";
    } else {
        // With an unusable default style the opening still has its blank: "<p >".
        strOut += "<p ";
        strOut += StyleAttributeOf(m_strDefaultStyle);
        strOut += '>';
    }
    engine::AppendRunText(strOut, run, m_nTextEscaping);
    strOut += "</p>";
}

namespace {

// The first c (or "cc" with bPair) in a layout line. Lines are short: a plain loop beats the
// set-up of a library search.
std::size_t FindInLine(std::string_view line, std::size_t nFrom, char c, bool bPair) {
    const std::size_t nEnd = line.size() - (bPair ? 1 : 0);
    for (std::size_t i = nFrom; i < nEnd && i < line.size(); ++i) {
        if (line[i] == c && (!bPair || line[i + 1] == c))
            return i;
    }
    return std::string_view::npos;
}

} // namespace

bool CGenThread::SplitLayoutLine(std::string_view line, LayoutLineParts& parts) const {
    // A <<name>> marker may stand anywhere in the line; it is cut out and names the item's style.
    const std::size_t nOpen =
        line.empty() ? std::string_view::npos : FindInLine(line, 0, '<', true);
    parts.pEntry = nullptr;
    if (nOpen != std::string_view::npos) {
        const std::size_t nClose = FindInLine(line, nOpen + 2, '>', true);
        if (nClose == std::string_view::npos)
            return false;
        parts.styleName = line.substr(nOpen + 2, nClose - nOpen - 2);
        parts.pEntry = &StyleOf(parts.styleName);
        if (nOpen == 0) {
            line.remove_prefix(nClose + 2);
        } else if (nClose + 2 == line.size()) {
            line.remove_suffix(line.size() - nOpen);
        } else {
            m_strLineScratch.assign(line.substr(0, nOpen));
            m_strLineScratch.append(line.substr(nClose + 2));
            line = m_strLineScratch;
        }
    } else if (!m_strDefaultStyle.empty()) {
        parts.styleName = m_strDefaultStyle;
        parts.pEntry = &StyleOf(m_strDefaultStyle);
    } else {
        parts.styleName = {};
    }
    parts.attribute =
        parts.pEntry ? std::string_view(parts.pEntry->strAttribute) : std::string_view();

    // The tag runs up to and including the first ">"; a line without ">" is all argument.
    const std::size_t nTagEnd = FindInLine(line, 0, '>', false);
    if (nTagEnd == std::string_view::npos) {
        parts.tag = {};
        parts.argument = line;
    } else {
        parts.tag = engine::TrimView(line.substr(0, nTagEnd + 1));
        parts.argument = line.substr(nTagEnd + 1);
    }
    return true;
}

BOOL CGenThread::SplitSectionLine(std::string strLine, std::string* pTag, std::string* pArgument,
                                  std::string* pAttribute, std::string* pStyleName) const {
    LayoutLineParts parts;
    if (!SplitLayoutLine(strLine, parts))
        return FALSE;
    if (pStyleName)
        pStyleName->assign(parts.styleName);
    pAttribute->assign(parts.attribute);
    pTag->assign(parts.tag);
    pArgument->assign(parts.argument);
    return TRUE;
}
