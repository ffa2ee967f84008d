// One whole job from request to page file: load the form file, read the settings, cut the text
// into runs and hand them to the writer the text calls for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/GenThread.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kHead =
    "<html><head><title>User Notification</title></head><body BACKGROUND=file:bg.gif>";
const std::string kTail = "</body></html>";
const std::string kHA = "STYLE=\"font-weight=extra-bold; color=#FF0000\"";
const std::string kLA = "STYLE=\"font-size=12pt\"";
const platform::LocalDateTime kNow{2026, 12, 4, 8, 7, 28};
const std::string kPageName = "HTML2026212242827228272.htm"; // request index 7

const std::string kSystem = "; pages for the job tests\n"
                            "[SYSTEM]\n"
                            "DEFAULT_STYLE = <<>>   ; no default style\n"
                            "HTML_DEST_DIR = @DEST@\n"
                            "PIC_SOURCE_DIR = E:/pics/\n"
                            "BACKGROUND_PIC = bg.gif\n";
const std::string kStyles = "[HEAD]\n<BOLD>\n<COLOR_RED>\n"
                            "[LIST]\n<FONT_SIZE>12\n"
                            "[NOTE]\n<<HEAD>>\n<BUL_LIST>\n<PICTURE>logo.gif\n"
                            "[BROKEN]\n<LINE>\n<NUM_LIST>\n";

std::string Replace(std::string text, const std::string& what, const std::string& with) {
    const auto pos = text.find(what);
    return pos == std::string::npos ? text : text.replace(pos, what.size(), with);
}

enum class Outcome { Page, NoFile, FileLeftBehind };

TEST(GeneratePage, RunsTheWholeJob) {
    struct Case {
        const char* name;
        std::string system; // "" means the form file does not exist
        const char* text;
        const char* section;
        Outcome outcome;
        std::string body; // what follows the head in the page file
    };
    const char* const plain = " \r\nAlpha<LB>Beta<T>Gamma<LE>\n";
    const char* const styled = "<<HEAD>>Alpha<LB><<LIST>>Beta<T>Gamma<LE>Delta";
    const std::string styledBody =
        "<p " + kHA + ">Alpha</p><p " + kLA + "><UL><LI>Beta<LI>Gamma</UL></p><p>Delta</p>";
    const std::vector<Case> cases = {
        {"laid out by the section", kSystem, plain, "NOTE", Outcome::Page,
         "<p " + kHA +
             ">Alpha</p><UL><LI>Beta<LI>Gamma</UL><p><img src=file:E:/pics/logo.gif></p>"},
        {"section missing: paragraphs", kSystem, plain, "NOPE", Outcome::Page,
         "<p>Alpha</p><p>Beta</p><p>Gamma</p>"},
        {"inline styles", kSystem, styled, "NOTE", Outcome::Page, styledBody},
        {"inline styles ignore the section", kSystem, styled, "BROKEN", Outcome::Page, styledBody},
        {"no form file", "", plain, "NOTE", Outcome::NoFile, ""},
        {"no SYSTEM section", Replace(kSystem, "[SYSTEM]", "[SETTINGS]"), plain, "NOTE",
         Outcome::NoFile, ""},
        {"default style not closed", Replace(kSystem, "<<>>", "<<HEAD>"), plain, "NOTE",
         Outcome::NoFile, ""},
        {"no destination", Replace(kSystem, "@DEST@", ""), plain, "NOTE", Outcome::NoFile, ""},
        {"text rejected", kSystem, "<LE>Alpha", "NOTE", Outcome::NoFile, ""},
        {"text without runs", kSystem, " \t\n ", "NOTE", Outcome::NoFile, ""},
        {"bad item", kSystem, "Alpha", "BROKEN", Outcome::FileLeftBehind, "<hr>"},
        {"paragraph where a list belongs", kSystem, "Alpha<T>Beta", "NOTE", Outcome::FileLeftBehind,
         "<p " + kHA + ">Alpha</p>"},
        {"list after the last run", kSystem, "Alpha", "NOTE", Outcome::FileLeftBehind,
         "<p " + kHA + ">Alpha</p>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::FixedClock clock(kNow);
        testsupport::TempDir formDir;
        testsupport::TempDir outDir;
        const std::string formPath = formDir.File("job.frm");
        if (!c.system.empty())
            testsupport::WriteFile(formPath,
                                   Replace(c.system, "@DEST@", outDir.Path().string()) + kStyles);
        CGenThread job(nullptr, c.text, formPath, c.section, 7);
        job.GeneratePage();

        const std::vector<std::string> files = testsupport::ListFiles(outDir.Path().string());
        const std::string pagePath = outDir.File(kPageName);
        switch (c.outcome) {
        case Outcome::Page:
            EXPECT_EQ(pagePath, job.m_strResultFile);
            ASSERT_EQ(std::vector<std::string>{kPageName}, files);
            EXPECT_EQ(kHead + c.body + kTail, testsupport::ReadFile(pagePath));
            break;
        case Outcome::NoFile:
            EXPECT_EQ("", job.m_strResultFile);
            EXPECT_TRUE(files.empty());
            break;
        case Outcome::FileLeftBehind:
            EXPECT_EQ("", job.m_strResultFile);
            ASSERT_EQ(std::vector<std::string>{kPageName}, files);
            EXPECT_EQ(kHead + c.body, testsupport::ReadFile(pagePath));
            break;
        }
    }
}

TEST(GeneratePage, NamesThePageEvenWhenTheClockCannotBeRead) {
    testsupport::FixedClock clock(true);
    testsupport::TempDir formDir;
    testsupport::TempDir outDir;
    const std::string formPath = formDir.File("job.frm");
    testsupport::WriteFile(formPath, Replace(kSystem, "@DEST@", outDir.Path().string() + "/"));
    CGenThread job(nullptr, "Alpha", formPath, "NOPE", 0);
    job.GeneratePage();
    const std::string pagePath = outDir.File("HTML-12-12-12-12-12-1202.htm");
    EXPECT_EQ(pagePath, job.m_strResultFile);
    EXPECT_EQ(kHead + "<p>Alpha</p>" + kTail, testsupport::ReadFile(pagePath));
}

} // namespace
