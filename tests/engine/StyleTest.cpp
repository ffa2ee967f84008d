// Turning a style section of the form file into a STYLE attribute.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/GenThread.h"
#include "tests/support/TestSupport.h"

namespace {

const char* const kForm = "[SYSTEM]\nDEFAULT_STYLE=<<PLAIN>>\n"
                          "[BOLDRED]\n<BOLD>\n<COLOR_RED>\n"
                          "[ITALIC]\n<ITALIC>\n"
                          "[SIZE]\n<FONT_SIZE>12\n"
                          "[ODDSIZE]\n<FONT_SIZE> large\n"
                          "[FONTEMPTY]\n<FONT>\n"
                          "[FONTBLANK]\n<FONT>  Times New Roman   ; serif\n"
                          "[FONTGT]\n<FONT>Arial>Narrow\n"
                          "[ALL]\n<BOLD>\n<ITALIC>\n<FONT>Arial\n<FONT_SIZE>10\n<ALIGN_LEFT>\n"
                          "<ALIGN_RIGHT>\n<ALIGN_CENTER>\n<COLOR_BLACK>\n<COLOR_WHITE>\n"
                          "<COLOR_RED>\n<COLOR_BLUE>\n<COLOR_GREEN>\n"
                          "[REPEATS]\n<BOLD>\n<COLOR_RED>\n<BOLD>\n<COLOR_BLUE>\n"
                          "[TRAILING]\n<ALIGN_CENTER>ignored words\n<COLOR_GREEN> too\n"
                          "[MISSPELT]\n<BOLD>\n<BLOD>\n"
                          "[LOWER]\n<bold>\n"
                          "[NOTAG]\n<ITALIC>\nBOLD\n"
                          "[UNCLOSED]\n<ITALIC\n"
                          "[EMPTY]\n"
                          "[ Padded ]\n<BOLD>\n";

TEST(StyleAttribute, ConvertsStyleSections) {
    testsupport::TempDir dir;
    const std::string path = dir.File("form.frm");
    testsupport::WriteFile(path, kForm);
    CGenThread job(nullptr, "", path, "", 0);
    ASSERT_EQ(TRUE, job.m_formFile.Load(path));

    struct Case {
        const char* style;
        BOOL expected;
        const char* attribute;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"BOLDRED", TRUE, "STYLE=\"font-weight=extra-bold; color=#FF0000\""},
        {"ITALIC", TRUE, "STYLE=\"font-style=italic\""},
        {"SIZE", TRUE, "STYLE=\"font-size=12pt\""},
        {"ODDSIZE", TRUE, "STYLE=\"font-size= largept\""},
        {"FONTEMPTY", TRUE, "STYLE=\"font-family=\""},
        {"FONTBLANK", TRUE, "STYLE=\"font-family=  Times New Roman\""},
        {"FONTGT", TRUE, "STYLE=\"font-family=Arial>Narrow\""},
        {"ALL", TRUE,
         "STYLE=\"font-weight=extra-bold; font-style=italic; font-family=Arial; font-size=10pt; "
         "text-align=left; text-align=right; text-align=center; color=#000000; color=#FFFFFF; "
         "color=#FF0000; color=#0000FF; color=#00FF00\""},
        {"REPEATS", TRUE,
         "STYLE=\"font-weight=extra-bold; color=#FF0000; font-weight=extra-bold; color=#0000FF\""},
        {"TRAILING", TRUE, "STYLE=\"text-align=center; color=#00FF00\""},
        {" Padded ", TRUE, "STYLE=\"font-weight=extra-bold\""},
        {"MISSPELT", FALSE, ""}, {"LOWER", FALSE, ""},    {"NOTAG", FALSE, ""},
        {"UNCLOSED", FALSE, ""}, {"EMPTY", FALSE, ""},    {"SYSTEM", FALSE, ""},
        {"NOSUCH", FALSE, ""},   {"", FALSE, ""},         {"boldred", FALSE, ""},
        {"Padded", FALSE, ""},   {" BOLDRED", FALSE, ""}, {"BOLDRED ", FALSE, ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("style '") + c.style + "'");
        std::string attribute = "left over";
        EXPECT_EQ(c.expected, job.BuildStyleAttribute(c.style, attribute));
        EXPECT_EQ(c.attribute, attribute);
    }
}

} // namespace
