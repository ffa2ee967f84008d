// Pages laid out by the request text alone, each run in the style the text names for it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/GenThread.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kHead =
    "<html><head><title>User Notification</title></head><body bgcolor=\"#FFFFFF\">";
const std::string kTail = "</body></html>";
const std::string kHA = "STYLE=\"font-weight=extra-bold; color=#FF0000\"";
const std::string kBA = "STYLE=\"font-style=italic\"";
const std::string kLA = "STYLE=\"font-size=12pt\"";
const platform::LocalDateTime kNow{2026, 12, 4, 8, 7, 28};
const std::string kPageName = "HTML2026212242827228202.htm";

const char* const kForm = "[SYSTEM]\nDEFAULT_STYLE = <<>>\n"
                          "[HEAD]\n<BOLD>\n<COLOR_RED>\n"
                          "[BODY]\n<ITALIC>\n"
                          "[LIST]\n<FONT_SIZE>12\n"
                          "[BAD]\n<BLINK>\n"
                          "[LAYOUT]\n<LINE>\n<NUM_LIST>\n";

struct Token {
    UINT kind;
    std::string text;
    std::string style;
};
const UINT kPara = KIND_PARAGRAPH;
const UINT kItem = KIND_LIST_ITEM;

class InlinePage : public ::testing::Test {
protected:
    void SetUp() override { testsupport::WriteFile(m_formPath, kForm); }

    // The job names a layout section that would fail any page; this writer must not read it.
    std::unique_ptr<CGenThread> MakeJob(const std::vector<Token>& tokens,
                                        const std::string& defaultStyle) {
        auto job = std::make_unique<CGenThread>(nullptr, "", m_formPath, "LAYOUT", 0);
        EXPECT_EQ(TRUE, job->m_formFile.Load(m_formPath));
        job->m_strDefaultStyle = defaultStyle;
        job->m_strHtmlDestDir = m_outDir.Path().string();
        job->m_strPicSourceDir = "\\";
        for (const Token& t : tokens) {
            job->m_arrTokenText.push_back(t.text);
            job->m_arrTokenKind.push_back(t.kind);
            job->m_arrTokenStyle.push_back(t.style);
        }
        return job;
    }

    testsupport::TempDir m_formDir;
    testsupport::TempDir m_outDir;
    std::string m_formPath = m_formDir.File("styles.frm");
    std::string m_pagePath = m_outDir.File(kPageName);
    testsupport::FixedClock m_clock{kNow};
};

TEST_F(InlinePage, WritesParagraphsAndListsInTheirOwnStyles) {
    struct Case {
        const char* name;
        std::vector<Token> tokens;
        const char* defaultStyle;
        std::string body;
    };
    const std::vector<Token> mixed = {
        {kPara, "Alpha", ""}, {kItem, "Beta", "LIST"}, {kItem, "Gamma", ""}, {kPara, "Delta", ""}};
    const std::vector<Case> cases = {
        {"mixed, no default", mixed, "",
         "<p>Alpha</p><p " + kLA + "><UL><LI>Beta<LI>Gamma</UL></p><p>Delta</p>"},
        {"mixed, default BODY", mixed, "BODY",
         "<p " + kBA + ">Alpha</p><p " + kLA + "><UL><LI>Beta<LI>Gamma</UL></p><p " + kBA +
             ">Delta</p>"},
        // Only the first item's style name counts for a list.
        {"bare list",
         {{kItem, "Beta", ""}, {kItem, "Gamma", "HEAD"}},
         "",
         "<UL><LI>Beta<LI>Gamma</UL>"},
        {"list in the default style",
         {{kItem, "Beta", ""}, {kItem, "Gamma", ""}},
         "BODY",
         "<p " + kBA + "><UL><LI>Beta<LI>Gamma</UL></p>"},
        {"two lists",
         {{kItem, "A", ""}, {kPara, "", ""}, {kItem, "B", ""}},
         "",
         "<UL><LI>A</UL><p></p><UL><LI>B</UL>"},
        // A style that yields no attribute means no style, not the default one.
        {"unusable styles",
         {{kPara, "Alpha", "NOPE"}, {kItem, "Beta", "BAD"}, {kPara, "Gamma", "HEAD"}},
         "BODY",
         "<p>Alpha</p><UL><LI>Beta</UL><p " + kHA + ">Gamma</p>"},
        {"padded style names",
         {{kPara, "Alpha", " HEAD\t"}, {kPara, "Beta", "  "}},
         "BODY",
         "<p " + kHA + ">Alpha</p><p>Beta</p>"},
        {"padded default style", {{kPara, "Alpha", ""}}, " BODY ", "<p " + kBA + ">Alpha</p>"},
        {"raw markup", {{kPara, "a<b>&amp; c", "HEAD"}}, "", "<p " + kHA + ">a<b>&amp; c</p>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::WriteFile(m_pagePath, std::string(500, 'x'));
        auto job = MakeJob(c.tokens, c.defaultStyle);
        std::string result = "stale";
        EXPECT_TRUE(job->WriteInlineStylePage(result));
        EXPECT_EQ(m_pagePath, result);
        EXPECT_EQ(kHead + c.body + kTail, testsupport::ReadFile(m_pagePath));
        EXPECT_EQ(std::vector<std::string>{kPageName},
                  testsupport::ListFiles(m_outDir.Path().string()));
    }
}

TEST_F(InlinePage, MakesNoFileWithoutRunsOrAWritableDestination) {
    struct Case {
        const char* name;
        std::vector<Token> tokens;
        std::string destDir;
        std::string result;
    };
    const std::string missingDir = m_outDir.File("missing");
    const std::vector<Case> cases = {
        {"no runs", {}, m_outDir.Path().string(), "untouched"},
        {"blank destination", {{kPara, "Alpha", "HEAD"}}, "  ", ""},
        {"destination that does not exist",
         {{kPara, "Alpha", "HEAD"}},
         missingDir,
         missingDir + "/" + kPageName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto job = MakeJob(c.tokens, "");
        job->m_strHtmlDestDir = c.destDir;
        std::string result = "untouched";
        EXPECT_FALSE(job->WriteInlineStylePage(result));
        EXPECT_EQ(c.result, result);
        EXPECT_TRUE(testsupport::ListFiles(m_outDir.Path().string()).empty());
        EXPECT_FALSE(testsupport::FileExists(missingDir));
    }
}

} // namespace
