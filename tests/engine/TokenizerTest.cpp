// Cutting the markup text into paragraph and list-item runs, with optional inline style names.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "engine/GenThread.h"

namespace {

// A run as P:text or L:text, plus |style when it has one, so that whole lists compare at once.
std::string RunText(UINT kind, std::string_view text, std::string_view style) {
    const char* k = kind == KIND_PARAGRAPH ? "P:" : kind == KIND_LIST_ITEM ? "L:" : "?:";
    return k + std::string(text) + (style.empty() ? "" : "|" + std::string(style));
}

// Text, result, inline styles seen, runs (after a failure: those appended before it).
const std::vector<std::tuple<std::string, BOOL, BOOL, std::vector<std::string>>> kCases = {
    {"", TRUE, FALSE, {}},
    {"<T>", TRUE, FALSE, {}},
    {"Alpha", TRUE, FALSE, {"P:Alpha"}},
    {"Alpha<T>Beta", TRUE, FALSE, {"P:Alpha", "P:Beta"}},
    {"Alpha<T><T>Beta", TRUE, FALSE, {"P:Alpha", "P:", "P:Beta"}},
    {"Alpha<T>", TRUE, FALSE, {"P:Alpha"}},
    {"Alpha<T> Beta ", TRUE, FALSE, {"P:Alpha", "P: Beta"}},
    {"\n Alpha\r\nBeta \t\n", TRUE, FALSE, {"P:Alpha\r\nBeta"}},
    {"<T><T>Alpha", TRUE, FALSE, {"P:", "P:Alpha"}},
    {"Alpha<LE>Beta<T>Gamma", TRUE, FALSE, {"P:Alpha<LE>Beta<T>Gamma"}},
    {"Alpha<b>Beta</b><T>Gamma", TRUE, FALSE, {"P:Alpha<b>Beta</b><T>Gamma"}},
    {"Alpha<t>Beta", TRUE, FALSE, {"P:Alpha<t>Beta"}},
    {"Alpha<<Beta<T>Gamma", TRUE, FALSE, {"P:Alpha<<Beta<T>Gamma"}},
    {"Alpha>>Beta<T>Gamma", TRUE, FALSE, {"P:Alpha>>Beta", "P:Gamma"}},
    {"<LE>Alpha", FALSE, FALSE, {}},
    {"  <LE>Alpha<<Head>>", FALSE, FALSE, {}},
    {"<LB>Alpha<T>Beta<LE>Gamma", TRUE, FALSE, {"L:Alpha", "L:Beta", "P:Gamma"}},
    {"Alpha<LB>Beta<LE>", TRUE, FALSE, {"P:Alpha", "L:Beta"}},
    {"<LB>Alpha<LE><LB>Beta<LE>", TRUE, FALSE, {"L:Alpha", "P:", "L:Beta"}},
    {"<LB><LE>", TRUE, FALSE, {"L:"}},
    {"Alpha<LB>", TRUE, FALSE, {"P:Alpha"}},
    {"<LB>Alpha<T>", TRUE, FALSE, {"L:Alpha"}},
    {"<LB>Alpha<T><T>Beta<LE>", TRUE, FALSE, {"L:Alpha", "L:", "L:Beta"}},
    {"<T><LB>Alpha<LE>", TRUE, FALSE, {"P:", "L:Alpha"}},
    {"<LB>Alpha<LE>Beta<LE>Gamma", TRUE, FALSE, {"L:Alpha", "P:Beta<LE>Gamma"}},
    {"<LB>Alpha", FALSE, FALSE, {}},
    {"<LB>Alpha<T>Beta", FALSE, FALSE, {"L:Alpha"}},
    {"<LB>Al<b>pha</b><LE>", FALSE, FALSE, {}},
    {"<LB>Alpha<LB>Beta<LE>", FALSE, FALSE, {}},
    {"Alpha<<Body>>Beta", TRUE, TRUE, {"P:Alpha", "P:Beta|Body"}},
    {"<<Head>>Alpha<<Body>>Beta<T>Gamma", TRUE, TRUE, {"P:Alpha|Head", "P:Beta|Body", "P:Gamma"}},
    {"Alpha<<>>Beta", TRUE, TRUE, {"P:Alpha", "P:Beta"}},
    {"<LB><<Lst>>Alpha<T>Beta<LE>", TRUE, TRUE, {"L:Alpha|Lst", "L:Beta"}},
    {"Alpha<LB><<Lst>>Beta<LE>", TRUE, TRUE, {"P:Alpha", "L:Beta|Lst"}},
    {"<LB>Alpha<LE><<Body>>Beta", TRUE, TRUE, {"L:Alpha", "P:Beta|Body"}},
    {"<<Lst>><LB>Alpha<LE>", TRUE, TRUE, {"P:|Lst", "L:Alpha"}},
    {"<<Head>><T>Alpha", TRUE, TRUE, {"P:|Head", "P:Alpha"}},
    {"<T><<Head>>Alpha", TRUE, TRUE, {"P:Alpha|Head"}},
    {"Alpha<<Body>>", TRUE, TRUE, {"P:Alpha"}},
    {"<<Head>>", TRUE, TRUE, {}},
    {"<< Head>>Alpha", TRUE, TRUE, {"P:Alpha| Head"}},
    {"Alpha>><T>Beta<<Gamma<T>Delta", TRUE, TRUE, {"P:Alpha>>", "P:Beta<<Gamma<T>Delta"}},
    {"Alpha>>Beta<<Body>>Gamma", TRUE, TRUE, {"P:Alpha>>Beta<<Body>>Gamma"}},
    {"<LB>Alpha<T><<Body>>Beta<LE>", FALSE, TRUE, {"L:Alpha"}},
    {"Alpha>><T><<Head", FALSE, TRUE, {}},
    {"<LB><<Lst", FALSE, FALSE, {}},
};

TEST(Tokenizer, CutsTextIntoRuns) {
    for (const auto& [text, expected, inlineStyles, expectedRuns] : kCases) {
        SCOPED_TRACE("text: " + text);
        CGenThread job(nullptr, text, "", "", 0);
        BOOL bInline = FALSE;
        EXPECT_EQ(expected, job.TokenizeText(&bInline));
        EXPECT_EQ(inlineStyles, bInline);
        const auto& texts = job.m_arrTokenText;
        ASSERT_EQ(texts.size(), job.m_arrTokenKind.size());
        ASSERT_EQ(texts.size(), job.m_arrTokenStyle.size());
        std::vector<std::string> runs;
        for (size_t i = 0; i < texts.size(); ++i)
            runs.push_back(RunText(job.m_arrTokenKind[i], texts[i], job.m_arrTokenStyle[i]));
        EXPECT_EQ(expectedRuns, runs);
        EXPECT_TRUE(!expected || job.RemainingText().empty()) << "success consumes all the text";
    }
}

// Texts of nothing but markers' opening characters make one run: plain, as the first "<" starts
// no marker; inline, with the ">>" before every "<<", as no style name can close. The token list
// must not take memory in proportion to those characters, or a long such text fails for want of
// memory where it should make a page.
TEST(Tokenizer, TokenListStaysWithinTheTextsOwnSize) {
    const std::string marks(4 * 1024 * 1024, '<');
    for (const std::string& text : {marks, ">>" + marks}) {
        CGenThread job(nullptr, text, "", "", 0);
        BOOL bInline = FALSE;
        ASSERT_TRUE(job.TokenizeText(&bInline));
        EXPECT_EQ(1u, job.m_arrTokenText.size());
        EXPECT_LE(job.m_arrTokenText.capacity() * sizeof(job.m_arrTokenText[0]) +
                      job.m_arrTokenKind.capacity() * sizeof(job.m_arrTokenKind[0]) +
                      job.m_arrTokenStyle.capacity() * sizeof(job.m_arrTokenStyle[0]),
                  text.size());
    }
}

} // namespace
