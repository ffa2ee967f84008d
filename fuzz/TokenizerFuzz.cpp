// The markup tokenizer on arbitrary text.
#include <cstddef>
#include <cstdint>

#include "engine/GenThread.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string strText(reinterpret_cast<const char*>(pData), nSize);
    CGenThread job(nullptr, strText, std::string(), std::string(), 0);
    BOOL bInline = FALSE;
    const BOOL bOk = job.TokenizeText(&bInline);

    // The mode depends only on the trimmed text holding both "<<" and ">>".
    const std::size_t nFirst = strText.find_first_not_of(fuzzsupport::kWhiteSpace);
    const std::string strTrimmed =
        nFirst == std::string::npos
            ? std::string()
            : strText.substr(nFirst,
                             strText.find_last_not_of(fuzzsupport::kWhiteSpace) - nFirst + 1);
    const bool bExpectInline =
        strTrimmed.find("<<") != std::string::npos && strTrimmed.find(">>") != std::string::npos;
    const bool bStartsWithListEnd = strTrimmed.compare(0, 4, "<LE>") == 0;
    FUZZ_CHECK(!bStartsWithListEnd || !bOk);
    if (!bStartsWithListEnd)
        FUZZ_CHECK((bInline == TRUE) == bExpectInline);
    if (!bOk)
        return 0;

    const std::size_t nRuns = job.m_arrTokenText.size();
    FUZZ_CHECK(job.m_arrTokenKind.size() == nRuns);
    FUZZ_CHECK(job.m_arrTokenStyle.size() == nRuns);
    FUZZ_CHECK(job.RemainingText().empty());
    const char* const pBegin = job.m_strText.data();
    const char* const pEnd = pBegin + job.m_strText.size();
    for (std::size_t i = 0; i < nRuns; ++i) {
        const UINT nKind = job.m_arrTokenKind[i];
        FUZZ_CHECK(nKind == KIND_PARAGRAPH || nKind == KIND_LIST_ITEM);
        if (!bInline)
            FUZZ_CHECK(job.m_arrTokenStyle[i].empty());
        // Only the first item of a list carries a style name.
        if (i > 0 && nKind == KIND_LIST_ITEM && job.m_arrTokenKind[i - 1] == KIND_LIST_ITEM)
            FUZZ_CHECK(job.m_arrTokenStyle[i].empty());
        // Runs and names are pieces of the job's own text, in text order.
        for (std::string_view piece : {job.m_arrTokenText[i], job.m_arrTokenStyle[i]}) {
            if (!piece.empty())
                FUZZ_CHECK(piece.data() >= pBegin && piece.data() + piece.size() <= pEnd);
        }
        if (i > 0 && !job.m_arrTokenText[i].empty() && !job.m_arrTokenText[i - 1].empty())
            FUZZ_CHECK(job.m_arrTokenText[i - 1].data() + job.m_arrTokenText[i - 1].size() <=
                       job.m_arrTokenText[i].data());
    }
    return 0;
}
