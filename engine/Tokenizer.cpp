// Cuts the request text into the token list: paragraph runs separated by <T>, list items between
// <LB> and <LE>, and (when the text holds both "<<" and ">>") style names written <<name>>.
//
// The text is consumed from the front through m_nTextPos, so each step costs only what it cuts
// and a whole text is tokenized in linear time.
#include "engine/GenThread.h"
#include "engine/TextUtil.h"

using engine::StartsWith;

std::string_view CGenThread::RemainingText() const {
    return std::string_view(m_strText).substr(m_nTextPos);
}

BOOL CGenThread::TokenizeText(BOOL* pbInlineStyles) {
    engine::TrimInPlace(m_strText);
    m_nTextPos = 0;
    if (StartsWith(m_strText, "<LE>"))
        return FALSE;

    const bool bInline =
        m_strText.find("<<") != std::string::npos && m_strText.find(">>") != std::string::npos;
    if (bInline)
        *pbInlineStyles = TRUE;

    // Only one leading marker is taken here; a second one yields an empty first run.
    UINT nKind = KIND_PARAGRAPH;
    std::string strStyle;
    const auto takeLeadingMarker = [&]() {
        if (StartsWith(RemainingText(), "<T>")) {
            m_nTextPos += 3;
            nKind = KIND_PARAGRAPH;
            return true;
        }
        if (StartsWith(RemainingText(), "<LB>")) {
            m_nTextPos += 4;
            nKind = KIND_LIST_ITEM;
            return true;
        }
        return false;
    };
    if (!bInline) {
        takeLeadingMarker();
    } else {
        if (!SplitStylePrefix(strStyle))
            return FALSE;
        // A name before the marker styles the first paragraph; one after "<LB>" styles the list.
        if (strStyle.empty() && takeLeadingMarker() && !SplitStylePrefix(strStyle))
            return FALSE;
    }

    m_arrTokenText.clear();
    m_arrTokenKind.clear();
    m_arrTokenStyle.clear();

    std::string strRun;
    std::string strNextStyle;
    while (m_nTextPos < m_strText.size()) {
        UINT nNextKind = KIND_PARAGRAPH;
        if (!SplitNextToken(bInline ? TRUE : FALSE, nKind, &nNextKind, &strRun, &strNextStyle))
            return FALSE;
        m_arrTokenText.push_back(std::move(strRun));
        m_arrTokenKind.push_back(nKind);
        m_arrTokenStyle.push_back(std::move(strStyle));
        nKind = nNextKind;
        strStyle = bInline ? std::move(strNextStyle) : std::string();
        strRun.clear();
        strNextStyle.clear();
    }
    // Everything has been consumed; nothing reads the text again.
    m_strText.clear();
    m_strText.shrink_to_fit();
    m_nTextPos = 0;
    return TRUE;
}

BOOL CGenThread::SplitNextToken(BOOL bInlineStyles, UINT nKind, UINT* pnNextKind, std::string* pRun,
                                std::string* pStyle) {
    pStyle->clear();
    const std::string_view rest = RemainingText();
    const std::size_t p = rest.find('<');
    const std::string_view marker =
        p == std::string_view::npos ? std::string_view() : rest.substr(p);

    // Cuts the run before the marker at p and consumes the marker.
    const auto cutAt = [&](std::size_t nMarkerLength) {
        pRun->assign(rest.substr(0, p));
        m_nTextPos += p + nMarkerLength;
    };
    const auto takeAll = [&]() {
        pRun->assign(rest);
        m_nTextPos = m_strText.size();
        *pnNextKind = KIND_PARAGRAPH;
        return TRUE;
    };
    // In inline-style mode a style name may stand right after a break or a list boundary.
    const auto styleAfterMarker = [&]() {
        return bInlineStyles ? SplitStylePrefix(*pStyle) : TRUE;
    };

    if (nKind == KIND_LIST_ITEM) {
        if (StartsWith(marker, "<T>")) {
            cutAt(3);
            *pnNextKind = KIND_LIST_ITEM;
            return TRUE;
        }
        if (StartsWith(marker, "<LE>")) {
            cutAt(4);
            *pnNextKind = KIND_PARAGRAPH;
            return styleAfterMarker();
        }
        // Unclosed list, a nested <LB>, a style name or any other tag inside a list.
        return FALSE;
    }

    if (p == std::string_view::npos)
        return takeAll();
    if (StartsWith(marker, "<T>")) {
        cutAt(3);
        *pnNextKind = KIND_PARAGRAPH;
        return styleAfterMarker();
    }
    if (bInlineStyles && StartsWith(marker, "<<")) {
        // Only the first ">>" of the rest counts; one standing before the "<<" spoils the name.
        const std::size_t q = rest.find(">>");
        if (q != std::string_view::npos && q >= p + 2) {
            pStyle->assign(rest.substr(p + 2, q - p - 2));
            pRun->assign(rest.substr(0, p));
            m_nTextPos += q + 2;
            *pnNextKind = KIND_PARAGRAPH;
            return TRUE;
        }
    }
    if (StartsWith(marker, "<LB>")) {
        cutAt(4);
        *pnNextKind = KIND_LIST_ITEM;
        return styleAfterMarker();
    }
    // Any other "<" ends tokenizing: the rest, later markers included, is one last run.
    return takeAll();
}
