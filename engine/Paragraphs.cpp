// The token list as plain paragraphs, and the split of one layout-section line.
#include "engine/GenThread.h"
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
    strOut += run;
    strOut += "</p>";
}

BOOL CGenThread::SplitSectionLine(std::string strLine, std::string* pTag, std::string* pArgument,
                                  std::string* pAttribute, std::string* pStyleName) const {
    // A <<name>> marker may stand anywhere in the line; it is cut out and names the item's style.
    const std::size_t nOpen = strLine.find("<<");
    if (nOpen != std::string::npos) {
        const std::size_t nClose = strLine.find(">>", nOpen + 2);
        if (nClose == std::string::npos)
            return FALSE;
        const std::string_view name =
            std::string_view(strLine).substr(nOpen + 2, nClose - nOpen - 2);
        if (pStyleName)
            pStyleName->assign(name);
        *pAttribute = StyleAttributeOf(name);
        strLine.erase(nOpen, nClose + 2 - nOpen);
    } else if (!m_strDefaultStyle.empty()) {
        if (pStyleName)
            *pStyleName = m_strDefaultStyle;
        *pAttribute = StyleAttributeOf(m_strDefaultStyle);
    } else {
        if (pStyleName)
            pStyleName->clear();
        pAttribute->clear();
    }

    // The tag runs up to and including the first ">"; a line without ">" is all argument.
    const std::size_t nTagEnd = strLine.find('>');
    if (nTagEnd == std::string::npos) {
        pTag->clear();
        *pArgument = std::move(strLine);
    } else {
        pArgument->assign(strLine, nTagEnd + 1);
        strLine.erase(nTagEnd + 1);
        *pTag = std::move(strLine);
    }
    engine::TrimInPlace(*pTag);
    return TRUE;
}
