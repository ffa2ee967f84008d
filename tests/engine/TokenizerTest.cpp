// Cutting the markup text into paragraph and list-item runs, with optional inline style names.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "engine/GenThread.h"

namespace {

struct Run {
    UINT kind;
    std::string text;
    std::string style;
    bool operator==(const Run&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Run& r) {
    return os << (r.kind == KIND_PARAGRAPH   ? "P"
                  : r.kind == KIND_LIST_ITEM ? "L"
                                             : "?")
              << "{\"" << r.text << "\", \"" << r.style << "\"}";
}

Run P(std::string text, std::string style = "") {
    return {KIND_PARAGRAPH, std::move(text), std::move(style)};
}
Run L(std::string text, std::string style = "") {
    return {KIND_LIST_ITEM, std::move(text), std::move(style)};
}

struct Case {
    const char* text;
    BOOL expected;
    BOOL inlineStyles;
    std::vector<Run> runs; // after a failure: the runs appended before it
};

void CheckTokenizer(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text: ") + c.text);
        CGenThread job(nullptr, c.text, "", "", 0);
        BOOL bInline = FALSE;
        EXPECT_EQ(c.expected, job.TokenizeText(&bInline));
        EXPECT_EQ(c.inlineStyles, bInline);
        ASSERT_EQ(job.m_arrTokenText.size(), job.m_arrTokenKind.size());
        ASSERT_EQ(job.m_arrTokenText.size(), job.m_arrTokenStyle.size());
        std::vector<Run> runs;
        for (size_t i = 0; i < job.m_arrTokenText.size(); ++i)
            runs.push_back({job.m_arrTokenKind[i], job.m_arrTokenText[i], job.m_arrTokenStyle[i]});
        EXPECT_EQ(c.runs, runs);
        if (c.expected) {
            EXPECT_EQ("", job.RemainingText());
        }
    }
}

TEST(Tokenizer, PlainParagraphs) {
    // clang-format off
    CheckTokenizer({
        {"", TRUE, FALSE, {}},
        {" \t\r\n\v\f ", TRUE, FALSE, {}},
        {"<T>", TRUE, FALSE, {}},
        {"Alpha", TRUE, FALSE, {P("Alpha")}},
        {"Alpha<T>Beta", TRUE, FALSE, {P("Alpha"), P("Beta")}},
        {"Alpha<T><T>Beta", TRUE, FALSE, {P("Alpha"), P(""), P("Beta")}},
        {"Alpha<T>", TRUE, FALSE, {P("Alpha")}},
        {"Alpha<T> Beta ", TRUE, FALSE, {P("Alpha"), P(" Beta")}},
        {"\n Alpha\r\nBeta \t\n", TRUE, FALSE, {P("Alpha\r\nBeta")}},
        {"<T><T>Alpha", TRUE, FALSE, {P(""), P("Alpha")}},
        {"Alpha<LE>Beta<T>Gamma", TRUE, FALSE, {P("Alpha<LE>Beta<T>Gamma")}},
        {"Alpha<b>Beta</b><T>Gamma", TRUE, FALSE, {P("Alpha<b>Beta</b><T>Gamma")}},
        {"Alpha<T>Beta < Gamma<T>Delta", TRUE, FALSE, {P("Alpha"), P("Beta < Gamma<T>Delta")}},
        {"<lb>Alpha", TRUE, FALSE, {P("<lb>Alpha")}},
        {"Alpha<t>Beta", TRUE, FALSE, {P("Alpha<t>Beta")}},
        {"Alpha<<Beta<T>Gamma", TRUE, FALSE, {P("Alpha<<Beta<T>Gamma")}},
        {"Alpha>>Beta<T>Gamma", TRUE, FALSE, {P("Alpha>>Beta"), P("Gamma")}},
        {"<LE>Alpha", FALSE, FALSE, {}},
        {"  <LE>Alpha<<Head>>", FALSE, FALSE, {}},
    });
    // clang-format on
}

TEST(Tokenizer, Lists) {
    // clang-format off
    CheckTokenizer({
        {"<LB>Alpha<T>Beta<LE>Gamma", TRUE, FALSE, {L("Alpha"), L("Beta"), P("Gamma")}},
        {"Alpha<LB>Beta<LE>", TRUE, FALSE, {P("Alpha"), L("Beta")}},
        {"<LB>Alpha<LE><LB>Beta<LE>", TRUE, FALSE, {L("Alpha"), P(""), L("Beta")}},
        {"<LB><LE>", TRUE, FALSE, {L("")}},
        {"<LB>", TRUE, FALSE, {}},
        {"Alpha<LB>", TRUE, FALSE, {P("Alpha")}},
        {"<LB>Alpha<T>", TRUE, FALSE, {L("Alpha")}},
        {"<LB>Alpha<T><T>Beta<LE>", TRUE, FALSE, {L("Alpha"), L(""), L("Beta")}},
        {"<T><LB>Alpha<LE>", TRUE, FALSE, {P(""), L("Alpha")}},
        {"<LB>Alpha<LE>Beta<LE>Gamma", TRUE, FALSE, {L("Alpha"), P("Beta<LE>Gamma")}},
        {"<LB>Alpha", FALSE, FALSE, {}},
        {"<LB>Alpha<T>Beta", FALSE, FALSE, {L("Alpha")}},
        {"<LB>Al<b>pha</b><LE>", FALSE, FALSE, {}},
        {"<LB>Alpha<LB>Beta<LE>", FALSE, FALSE, {}},
        {"<LB>Alpha<T>Beta<le>", FALSE, FALSE, {L("Alpha")}},
    });
    // clang-format on
}

TEST(Tokenizer, InlineStyles) {
    // clang-format off
    CheckTokenizer({
        {"<<Head>>Alpha<T>Beta", TRUE, TRUE, {P("Alpha", "Head"), P("Beta")}},
        {"Alpha<<Body>>Beta", TRUE, TRUE, {P("Alpha"), P("Beta", "Body")}},
        {"Alpha<T><<Body>>Beta", TRUE, TRUE, {P("Alpha"), P("Beta", "Body")}},
        {"<<Head>>Alpha<<Body>>Beta<T>Gamma", TRUE, TRUE,
         {P("Alpha", "Head"), P("Beta", "Body"), P("Gamma")}},
        {"Alpha<<>>Beta", TRUE, TRUE, {P("Alpha"), P("Beta")}},
        {"<LB><<Lst>>Alpha<T>Beta<LE>", TRUE, TRUE, {L("Alpha", "Lst"), L("Beta")}},
        {"Alpha<LB><<Lst>>Beta<LE>", TRUE, TRUE, {P("Alpha"), L("Beta", "Lst")}},
        {"<LB>Alpha<LE><<Body>>Beta", TRUE, TRUE, {L("Alpha"), P("Beta", "Body")}},
        {"<<Lst>><LB>Alpha<LE>", TRUE, TRUE, {P("", "Lst"), L("Alpha")}},
        {"<<Head>><T>Alpha", TRUE, TRUE, {P("", "Head"), P("Alpha")}},
        {"<T><<Head>>Alpha", TRUE, TRUE, {P("Alpha", "Head")}},
        {"<<>><T><<Head>>Alpha", TRUE, TRUE, {P("Alpha", "Head")}},
        {"Alpha<<Body>>", TRUE, TRUE, {P("Alpha")}},
        {"<<>>Alpha", TRUE, TRUE, {P("Alpha")}},
        {"<<Head>>", TRUE, TRUE, {}},
        {"<< Head>>Alpha", TRUE, TRUE, {P("Alpha", " Head")}},
        {">>Alpha<<", TRUE, TRUE, {P(">>Alpha<<")}},
        {"Alpha>><T>Beta<<Gamma<T>Delta", TRUE, TRUE, {P("Alpha>>"), P("Beta<<Gamma<T>Delta")}},
        {"Alpha>>Beta<<Body>>Gamma", TRUE, TRUE, {P("Alpha>>Beta<<Body>>Gamma")}},
        {"<LB>Alpha<T><<Body>>Beta<LE>", FALSE, TRUE, {L("Alpha")}},
        {"Alpha>><T><<Head", FALSE, TRUE, {}},
        {"<LB>Alpha>><LE><<Body", FALSE, TRUE, {}},
        {"<LB><<Lst", FALSE, FALSE, {}},
    });
    // clang-format on
}

TEST(Tokenizer, SplitNextTokenInsideListNeedsAMarker) {
    CGenThread job(nullptr, "Alpha", "", "", 0);
    UINT nNext = 0;
    std::string run = "old run";
    std::string style = "old style";
    EXPECT_EQ(FALSE, job.SplitNextToken(TRUE, KIND_LIST_ITEM, &nNext, &run, &style));
    EXPECT_EQ("Alpha", job.RemainingText());
    EXPECT_EQ("", style);
}

} // namespace
