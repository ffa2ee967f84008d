// Texts of nothing but markers' opening characters make one run or none; the token list must not
// take memory in proportion to those characters, or a long such text fails for want of memory
// where it should make a page.
#include <gtest/gtest.h>

#include <string>

#include "engine/GenThread.h"

namespace {

struct MarkerText {
    std::string strText;
    std::size_t nRuns;
};

class TokenListMemory : public ::testing::TestWithParam<MarkerText> {};

TEST_P(TokenListMemory, StaysWithinTheTextsOwnSize) {
    CGenThread job(nullptr, GetParam().strText, "", "", 0);
    BOOL bInline = FALSE;
    ASSERT_TRUE(job.TokenizeText(&bInline));
    EXPECT_EQ(GetParam().nRuns, job.m_arrTokenText.size());
    const std::size_t nBytes = job.m_arrTokenText.capacity() * sizeof(job.m_arrTokenText[0]) +
                               job.m_arrTokenKind.capacity() * sizeof(job.m_arrTokenKind[0]) +
                               job.m_arrTokenStyle.capacity() * sizeof(job.m_arrTokenStyle[0]);
    EXPECT_LE(nBytes, GetParam().strText.size());
}

constexpr std::size_t kSize = 4 * 1024 * 1024;

// Plain mode: the first "<" starts no marker, so the whole text is one run. Inline mode, with
// the ">>" before every "<<": no style name can close, so again the whole text is one run.
INSTANTIATE_TEST_SUITE_P(Texts, TokenListMemory,
                         ::testing::Values(MarkerText{std::string(kSize, '<'), 1},
                                           MarkerText{">>" + std::string(kSize, '<'), 1}),
                         [](const auto& info) { return info.index == 0 ? "Plain" : "Inline"; });

} // namespace
