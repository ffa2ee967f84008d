// Rendering the token list as paragraphs, and splitting a layout line into item tag, item
// argument and style attribute.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/GenThread.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kHeadAttr = "STYLE=\"font-weight=extra-bold; color=#FF0000\"";
const std::string kBodyAttr = "STYLE=\"font-style=italic\"";
const std::string kPaddedAttr = "STYLE=\"text-align=center\"";
const std::string kListAttr = "STYLE=\"font-size=12pt\"";

const char* const kForm = "[SYSTEM]\nDEFAULT_STYLE = <<>>\n"
                          "[HEAD]\n<BOLD>\n<COLOR_RED>\n"
                          "[BODY]\n<ITALIC>\n"
                          "[ BODY]\n<ALIGN_CENTER>\n"
                          "[LIST]\n<FONT_SIZE>12\n"
                          "[BAD]\n<BLINK>\n";

class Paragraphs : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::WriteFile(m_path, kForm);
        ASSERT_EQ(TRUE, m_job.m_formFile.Load(m_path));
    }

    testsupport::TempDir m_dir;
    std::string m_path = m_dir.File("styles.frm");
    CGenThread m_job{nullptr, "", m_path, "", 0};
};

TEST_F(Paragraphs, RendersEveryRunInTheDefaultStyle) {
    struct Case {
        const char* name;
        std::vector<std::string> runs;
        const char* defaultStyle;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"no runs", {}, "", ""},
        {"no runs, styled", {}, "BODY", ""},
        {"plain", {"Alpha", "Beta"}, "", "<p>Alpha</p><p>Beta</p>"},
        {"styled",
         {"Alpha", "Beta"},
         "BODY",
         "<p " + kBodyAttr + ">Alpha</p><p " + kBodyAttr + ">Beta</p>"},
        {"style without a section", {"Alpha"}, "NOPE", "<p >Alpha</p>"},
        {"style that cannot be converted", {"Alpha"}, "BAD", "<p >Alpha</p>"},
        {"empty run and raw markup", {"", "a<b>&amp; c\nd"}, "", "<p></p><p>a<b>&amp; c\nd</p>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_job.m_arrTokenText = c.runs;
        // Kinds and style names of runs play no part: list items become paragraphs too.
        m_job.m_arrTokenKind.assign(c.runs.size(), KIND_LIST_ITEM);
        m_job.m_arrTokenStyle.assign(c.runs.size(), "HEAD");
        m_job.m_strDefaultStyle = c.defaultStyle;
        EXPECT_EQ(c.expected, m_job.RenderParagraphs());
    }
}

TEST_F(Paragraphs, SplitsLinesIntoTagArgumentAndStyle) {
    struct Case {
        const char* line;
        const char* defaultStyle;
        std::string tag, argument, attribute;
    };
    const std::vector<Case> cases = {
        {"<BUL_LIST>", "", "<BUL_LIST>", "", ""},
        {"<BUL_LIST>", "BODY", "<BUL_LIST>", "", kBodyAttr},
        {"<PICTURE>logo.gif", "", "<PICTURE>", "logo.gif", ""},
        {"<<HEAD>>", "", "", "", kHeadAttr},
        {"<PICTURE><<LIST>>logo.gif", "", "<PICTURE>", "logo.gif", kListAttr},
        {"<<LIST>><PICTURE>logo.gif", "BODY", "<PICTURE>", "logo.gif", kListAttr},
        {"<PICTURE>lo<<LIST>>go.gif", "", "<PICTURE>", "logo.gif", kListAttr},
        {" <LINE> ", "", "<LINE>", " ", ""},
        {"x <LINE>", "", "x <LINE>", "", ""},
        {"BODYTEXT", "", "", "BODYTEXT", ""},
        {"BODYTEXT", "BODY", "", "BODYTEXT", kBodyAttr},
        {"<LITERAL><b>x</b> & y", "", "<LITERAL>", "<b>x</b> & y", ""},
        // Only the first marker is cut out; a second one stays in the line.
        {"<LITERAL><<HEAD>>a<<LIST>>", "", "<LITERAL>", "a<<LIST>>", kHeadAttr},
        // A marker wins over the default style even when it names no usable section.
        {"<<NOPE>>", "BODY", "", "", ""},
        {"<<>><LINE>", "BODY", "<LINE>", "", ""},
        {"<<BAD>>", "BODY", "", "", ""},
        {"<< BODY>>", "", "", "", kPaddedAttr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("line '") + c.line + "', default '" + c.defaultStyle + "'");
        m_job.m_strDefaultStyle = c.defaultStyle;
        std::string tag = "?", argument = "?", attribute = "?";
        ASSERT_EQ(TRUE, m_job.SplitSectionLine(c.line, &tag, &argument, &attribute));
        EXPECT_EQ(c.tag, tag);
        EXPECT_EQ(c.argument, argument);
        EXPECT_EQ(c.attribute, attribute);
    }
}

TEST_F(Paragraphs, UnclosedStyleMarkerFailsAndLeavesOutputsAlone) {
    m_job.m_strDefaultStyle = "BODY";
    for (const char* line : {"<PICTURE><<HEAD", "<<HEAD>", "a>>b<<HEAD"}) {
        SCOPED_TRACE(line);
        std::string tag = "t", argument = "a", attribute = "s";
        EXPECT_EQ(FALSE, m_job.SplitSectionLine(line, &tag, &argument, &attribute));
        EXPECT_EQ("t", tag);
        EXPECT_EQ("a", argument);
        EXPECT_EQ("s", attribute);
    }
}

TEST_F(Paragraphs, StyleOfOneLineDoesNotCarryOverToTheNext) {
    m_job.m_strDefaultStyle = "";
    std::string tag, argument, attribute;
    ASSERT_EQ(TRUE, m_job.SplitSectionLine("<<HEAD>>", &tag, &argument, &attribute));
    EXPECT_EQ(kHeadAttr, attribute);
    ASSERT_EQ(TRUE, m_job.SplitSectionLine("<LINE>", &tag, &argument, &attribute));
    EXPECT_EQ("<LINE>", tag);
    EXPECT_EQ("", attribute);
}

} // namespace
