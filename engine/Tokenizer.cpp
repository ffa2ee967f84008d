// Cuts the request text into the token list: paragraph runs separated by <T>, list items between
// <LB> and <LE>, and (when the text holds both "<<" and ">>") style names written <<name>>.
//
// The text is consumed from the front through m_nTextPos, so each step costs only what it cuts
// and a whole text is tokenized in linear time.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/GenThread.h"
#include "engine/TextUtil.h"

using engine::StartsWith;

std::string_view CGenThread::RemainingText() const {
    return std::string_view(m_strText).substr(m_nTextPos);
}

BOOL CGenThread::TokenizeText(BOOL* pbInlineStyles) {
    // Messages count offsets in the text as the host gave it, before trimming.
    m_nTextLead = std::min(m_strText.find_first_not_of(engine::kWhiteSpace), m_strText.size());
    m_nStrayAngle = std::string::npos;
    engine::TrimInPlace(m_strText);
    m_nTextPos = 0;
    if (StartsWith(m_strText, "<LE>"))
        return Fail(TextLocation(0) + "the text begins with <LE>, which ends a list never begun");

    const bool bInline =
        m_strText.find("<<") != std::string::npos && m_strText.find(">>") != std::string::npos;
    if (bInline)
        *pbInlineStyles = TRUE;

    // Only one leading marker is taken here; a second one yields an empty first run.
    UINT nKind = KIND_PARAGRAPH;
    std::string_view style;
    const auto takeLeadingMarker = [&]() {
        if (StartsWith(RemainingText(), "<T>")) {
            m_nTextPos += 3;
            nKind = KIND_PARAGRAPH;
            return true;
        }
        if (StartsWith(RemainingText(), "<LB>")) {
            m_nListBegin = m_nTextPos;
            m_nTextPos += 4;
            nKind = KIND_LIST_ITEM;
            return true;
        }
        return false;
    };
    if (!bInline) {
        takeLeadingMarker();
    } else {
        if (!SplitStylePrefix(style))
            return FALSE;
        // A name before the marker styles the first paragraph; one after "<LB>" styles the list.
        if (style.empty() && takeLeadingMarker() && !SplitStylePrefix(style))
            return FALSE;
    }

    m_bInlineText = bInline;
    m_tokenStart = {m_nTextPos, nKind, style};
    ClearTokenArrays();
    m_nTokenBase = 0;
    // Every run but the last ends at a marker of three characters at least, and (where runs
    // are kept whole) at a "<", so counting those bounds the number of runs more tightly;
    // reserving the bound spares a long text the repeated moves of growing arrays. Most "<"
    // need not end a run (a text of nothing but "<<" is one run), so the count is only trusted
    // up to a point: past it the arrays grow as runs come, or the reservation alone would take
    // dozens of bytes per character of such a text.
    constexpr std::size_t kMaxReservedRuns = 1 << 16;
    constexpr std::size_t kFirstWindowRuns = 256;
    std::size_t nReserve = 1;
    if (m_nTokenWindow != 0) {
        // A window fills once and is then reused, so growing into it costs little; reserving
        // the bound instead would take a short text's arrays past the size at which the C
        // library gives freed memory back to the system, and back again for the next job.
        nReserve =
            std::min({m_nTokenWindow, (m_strText.size() - m_nTextPos) / 3 + 1, kFirstWindowRuns});
    } else {
        const char* const pEnd = m_strText.data() + m_strText.size();
        for (const char* p = m_strText.data() + m_nTextPos;
             nReserve < kMaxReservedRuns && (p = static_cast<const char*>(std::memchr(
                                                 p, '<', static_cast<std::size_t>(pEnd - p))));
             ++p)
            ++nReserve;
    }
    m_arrTokenText.reserve(nReserve);
    m_arrTokenKind.reserve(nReserve);
    m_arrTokenStyle.reserve(nReserve);

    // Every run is cut here, so that malformed markup is found before anything is written; the
    // arrays keep the first window of them (all, without a window), and the page writers cut
    // the later ones again when they reach them.
    TokenizerState state = m_tokenStart;
    if (!CutRuns(state, m_nTokenWindow == 0 ? std::string::npos : m_nTokenWindow))
        return FALSE;
    m_tokenResume = state;
    m_nTokenCount = m_arrTokenText.size();
    if (state.nPos < m_strText.size()) {
        for (;;) {
            UINT nNextKind = KIND_PARAGRAPH;
            std::string_view run, nextStyle;
            if (!SplitNextToken(bInline ? TRUE : FALSE, state.nKind, &nNextKind, &run, &nextStyle))
                return FALSE;
            ++m_nTokenCount;
            if (m_nTextPos >= m_strText.size())
                break;
            state.nKind = nNextKind;
        }
    }
    // The whole text is consumed; it stays in m_strText because the token list points into it.
    return TRUE;
}

bool CGenThread::CutRuns(TokenizerState& state, std::size_t nMax) {
    m_nTextPos = state.nPos;
    const BOOL bInline = m_bInlineText ? TRUE : FALSE;
    for (std::size_t n = 0; n < nMax && m_nTextPos < m_strText.size(); ++n) {
        UINT nNextKind = KIND_PARAGRAPH;
        std::string_view run, nextStyle;
        if (!SplitNextToken(bInline, state.nKind, &nNextKind, &run, &nextStyle))
            return false;
        m_arrTokenText.push_back(run);
        m_arrTokenKind.push_back(state.nKind);
        m_arrTokenStyle.push_back(state.style);
        state.nKind = nNextKind;
        state.style = bInline ? nextStyle : std::string_view();
    }
    state.nPos = m_nTextPos;
    return true;
}

void CGenThread::ClearTokenArrays() {
    m_arrTokenText.clear();
    m_arrTokenKind.clear();
    m_arrTokenStyle.clear();
}

void CGenThread::FillTokenWindow(std::size_t i) {
    // The text was tokenized whole before: cutting it again cannot fail.
    if (i < m_nTokenBase)
        RewindTokens();
    while (i - m_nTokenBase >= m_arrTokenText.size() && i < m_nTokenCount) {
        m_nTokenBase += m_arrTokenText.size();
        ClearTokenArrays();
        CutRuns(m_tokenResume, m_nTokenWindow);
    }
}

void CGenThread::RewindTokens() {
    if (m_nTokenBase == 0)
        return;
    m_nTokenBase = 0;
    ClearTokenArrays();
    m_tokenResume = m_tokenStart;
    CutRuns(m_tokenResume, m_nTokenWindow);
}

// Why a list stops at the marker found p characters into the rest (no marker: the text ended).
// Apart from SplitNextToken, whose every call would otherwise pay for the frame it needs.
BOOL CGenThread::FailInsideList(BOOL bInlineStyles, std::string_view marker, std::size_t p) {
    // Unclosed list, a nested <LB>, a style name or any other tag inside a list.
    if (p == std::string_view::npos)
        return Fail(TextLocation(m_nListBegin) + "a list begun with <LB> is never ended");
    const std::string strWhere = TextLocation(m_nTextPos + p);
    if (StartsWith(marker, "<LB>"))
        return Fail(strWhere + "a list cannot hold another <LB>; the list begun at offset " +
                    std::to_string(TextOffset(m_nListBegin)) + " needs its <LE> first");
    if (bInlineStyles && StartsWith(marker, "<<"))
        return Fail(strWhere + "a style name inside a list; only the first item, right after "
                               "<LB>, can have one");
    return Fail(strWhere + engine::QuoteTag(marker) +
                " inside a list; a list item can only be followed by <T> or <LE>");
}

// Inlined into its two callers here: every run of a long text passes through it twice, and the
// call itself cost about an eighth of the instructions of a job.
[[gnu::always_inline]] inline BOOL CGenThread::SplitNextToken(BOOL bInlineStyles, UINT nKind,
                                                              UINT* pnNextKind,
                                                              std::string_view* pRun,
                                                              std::string_view* pStyle) {
    *pStyle = {};
    // Every run of a text passes through here, twice for a long one: the views are made
    // without the bounds checks of substr, which the positions found make unnecessary.
    const std::string_view rest(m_strText.data() + m_nTextPos, m_strText.size() - m_nTextPos);
    const void* const pLess = std::memchr(rest.data(), '<', rest.size());
    const std::size_t p =
        pLess ? static_cast<std::size_t>(static_cast<const char*>(pLess) - rest.data())
              : std::string_view::npos;
    const std::string_view marker =
        pLess ? std::string_view(rest.data() + p, rest.size() - p) : std::string_view();

    // Cuts the run before the marker at p and consumes the marker.
    const auto cutAt = [&](std::size_t nMarkerLength) {
        *pRun = std::string_view(rest.data(), p);
        m_nTextPos += p + nMarkerLength;
    };
    const auto takeAll = [&]() {
        *pRun = rest;
        m_nTextPos = m_strText.size();
        *pnNextKind = KIND_PARAGRAPH;
        return TRUE;
    };
    // In inline-style mode a style name may stand right after a break or a list boundary; where
    // none does, as after most markers, there is nothing to split.
    const auto styleAfterMarker = [&]() {
        if (!bInlineStyles || m_nTextPos + 1 >= m_strText.size() || m_strText[m_nTextPos] != '<' ||
            m_strText[m_nTextPos + 1] != '<')
            return TRUE;
        return SplitStylePrefix(*pStyle);
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
        return FailInsideList(bInlineStyles, marker, p);
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
            *pStyle = rest.substr(p + 2, q - p - 2);
            *pRun = rest.substr(0, p);
            m_nTextPos += q + 2;
            *pnNextKind = KIND_PARAGRAPH;
            return TRUE;
        }
    }
    if (StartsWith(marker, "<LB>")) {
        m_nListBegin = m_nTextPos + p;
        cutAt(4);
        *pnNextKind = KIND_LIST_ITEM;
        return styleAfterMarker();
    }
    // Any other "<" ends tokenizing: the rest, later markers included, is one last run.
    if (m_nStrayAngle == std::string::npos)
        m_nStrayAngle = TextOffset(m_nTextPos + p);
    return takeAll();
}
