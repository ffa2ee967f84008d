// Pages laid out by a section of the form file, filled with the runs of the request text.
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
const platform::LocalDateTime kNow{2026, 12, 4, 8, 7, 28};
const std::string kPageName = "HTML2026212242827228202.htm";

const char* const kForm = "[SYSTEM]\nDEFAULT_STYLE = <<>>\n"
                          "[HEAD]\n<BOLD>\n<COLOR_RED>\n"
                          "[BODY]\n<ITALIC>\n"
                          "[LIST]\n<FONT_SIZE>12\n"
                          "[BAD]\n<BLINK>\n"
                          "[LAYOUT]\n<<HEAD>>\n<LINE>\n<BUL_LIST>\n<PICTURE>logo.gif\n"
                          "[TITLED_LIST]\n<<HEAD>>\n<BUL_LIST>\n"
                          "[NUMBERED]\n<NUM_LIST>\n<<BODY>>\n"
                          "[FIXED_ITEMS]\n<LITERAL> <b>x</b>\n<NEW_LINE>\n<BACK_PICT>\n<LINE>\n"
                          "<PICTURE>D:\\art\\logo.gif\n<<BODY>>\n"
                          "[STYLED_ITEMS]\n<LITERAL><<HEAD>>hi\n<PICTURE>a.gif\n<NEW_LINE>\n"
                          "[WORDS]\nsome words\n"
                          "[EMPTY]\n"
                          "[NUM_ON_PARAGRAPH]\n<LINE>\n<NUM_LIST>\n"
                          "[LOWER_CASE]\n<NEW_LINE>\n<bul_list>\n"
                          "[UNKNOWN]\n<LINE>\n<TABLE>\n"
                          "[UNCLOSED]\n<LINE>\n<<HEAD\n"
                          "[NO_STYLE]\n<<NOPE>>\n"
                          "[BAD_STYLE]\n<<BAD>>\n"
                          "[SLOT]\n<<HEAD>>\n"
                          "[TWO_SLOTS]\n<<HEAD>>\n<<BODY>>\n"
                          "[TWO_LISTS]\n<BUL_LIST>\n<BUL_LIST>\n"
                          "[PICTURES_ONLY]\n<PICTURE>a.gif\n<LINE>\n";

struct Token {
    UINT kind;
    std::string text;
};
const UINT kPara = KIND_PARAGRAPH;
const UINT kItem = KIND_LIST_ITEM;

class SectionPage : public ::testing::Test {
protected:
    void SetUp() override { testsupport::WriteFile(m_formPath, kForm); }

    // The job's own section name is deliberately one the tests never want: the page writer
    // must lay out the section it is given.
    std::unique_ptr<CGenThread> MakeJob(const std::vector<Token>& tokens,
                                        const std::string& defaultStyle) {
        auto job = std::make_unique<CGenThread>(nullptr, "", m_formPath, "EMPTY", 0);
        EXPECT_EQ(TRUE, job->m_formFile.Load(m_formPath));
        job->m_strDefaultStyle = defaultStyle;
        job->m_strHtmlDestDir = m_outDir.Path().string();
        job->m_strPicSourceDir = "E:\\pics\\";
        for (const Token& t : tokens) {
            job->m_arrTokenText.push_back(t.text);
            job->m_arrTokenKind.push_back(t.kind);
            job->m_arrTokenStyle.push_back("");
        }
        return job;
    }

    testsupport::TempDir m_formDir;
    testsupport::TempDir m_outDir;
    std::string m_formPath = m_formDir.File("layout.frm");
    std::string m_pagePath = m_outDir.File(kPageName);
    testsupport::FixedClock m_clock{kNow};
};

TEST_F(SectionPage, WritesItemsInOrderAndStopsAtTheFirstBadOne) {
    struct Case {
        const char* section;
        std::vector<Token> tokens;
        const char* defaultStyle;
        bool ok;
        std::string body; // what follows the head; a failed page has no tail
    };
    const std::vector<Token> abc = {{kPara, "Alpha"}, {kItem, "Beta"}, {kItem, "Gamma"}};
    const std::vector<Token> alpha = {{kPara, "Alpha"}};
    const std::vector<Case> cases = {
        {"LAYOUT", abc, "", true,
         "<p " + kHA + ">Alpha</p><hr><UL><LI>Beta<LI>Gamma</UL>" +
             "<p><img src=file:E:\\pics\\logo.gif></p>"},
        {"TITLED_LIST", abc, "", true, "<p " + kHA + ">Alpha</p><UL><LI>Beta<LI>Gamma</UL>"},
        {"TITLED_LIST", abc, "BODY", true,
         "<p " + kHA + ">Alpha</p><p " + kBA + "><UL><LI>Beta<LI>Gamma</UL></p>"},
        // The list ends at the first paragraph run; runs no item asks for are not written.
        {"NUMBERED",
         {{kItem, "Beta"}, {kItem, "Gamma"}, {kPara, "Delta"}, {kPara, "Omega"}},
         "",
         true,
         "<OL><LI>Beta<LI>Gamma</OL><p " + kBA + ">Delta</p>"},
        // Items that take no run leave the cursor where it was.
        {"FIXED_ITEMS",
         {{kPara, "Alpha"}, {kPara, "Beta"}},
         "",
         true,
         "<p> <b>x</b></p><BR><hr><p><img src=file:D:\\art\\logo.gif></p><p " + kBA + ">Alpha</p>"},
        {"STYLED_ITEMS", alpha, "BODY", true,
         "<p " + kHA + ">hi</p><p " + kBA + "><img src=file:E:\\pics\\a.gif></p><BR>"},
        {"WORDS", alpha, "BODY", true, "<p " + kBA + ">Alpha</p>"},
        {"NO_SUCH_SECTION",
         {{kPara, "Alpha"}, {kItem, "Beta"}},
         "BODY",
         true,
         "<p " + kBA + ">Alpha</p><p " + kBA + ">Beta</p>"},
        {"EMPTY", alpha, "", true, ""},
        // Failures keep what was written before the bad line.
        {"NUM_ON_PARAGRAPH", alpha, "", false, "<hr>"},
        {"LOWER_CASE", alpha, "", false, "<BR>"},
        {"UNKNOWN", alpha, "", false, "<hr>"},
        {"UNCLOSED", alpha, "", false, "<hr>"},
        {"NO_STYLE", alpha, "", false, ""},
        {"BAD_STYLE", alpha, "", false, ""},
        {"WORDS", alpha, "", false, ""},
        {"SLOT", {{kItem, "Beta"}}, "", false, ""},
        // Items asking for a run after the last one has been used.
        {"TWO_SLOTS", alpha, "", false, "<p " + kHA + ">Alpha</p>"},
        {"TWO_LISTS", {{kItem, "Beta"}}, "", false, "<UL><LI>Beta</UL>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + ", default style '" + c.defaultStyle + "'");
        // A page of the same name from earlier is replaced, not appended to.
        testsupport::WriteFile(m_pagePath, std::string(500, 'x'));
        auto job = MakeJob(c.tokens, c.defaultStyle);
        std::string result = "stale";
        EXPECT_EQ(c.ok, job->WriteSectionPage(c.section, result));
        EXPECT_EQ(m_pagePath, result);
        EXPECT_EQ(kHead + c.body + (c.ok ? kTail : ""), testsupport::ReadFile(m_pagePath));
        EXPECT_EQ(std::vector<std::string>{kPageName},
                  testsupport::ListFiles(m_outDir.Path().string()));
    }
}

TEST_F(SectionPage, MakesNoFileWithoutRunsOrAWritableDestination) {
    struct Case {
        const char* name;
        std::vector<Token> tokens;
        std::string destDir;
        std::string result;
    };
    const std::string missingDir = m_outDir.File("missing");
    const std::vector<Case> cases = {
        {"no runs", {}, m_outDir.Path().string(), "untouched"},
        {"blank destination", {{kPara, "Alpha"}}, " \t ", ""},
        {"destination that does not exist",
         {{kPara, "Alpha"}},
         missingDir,
         missingDir + "/" + kPageName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto job = MakeJob(c.tokens, "");
        job->m_strHtmlDestDir = c.destDir;
        std::string result = "untouched";
        EXPECT_FALSE(job->WriteSectionPage("PICTURES_ONLY", result));
        EXPECT_EQ(c.result, result);
        EXPECT_TRUE(testsupport::ListFiles(m_outDir.Path().string()).empty());
        EXPECT_FALSE(testsupport::FileExists(missingDir));
    }
}

} // namespace
