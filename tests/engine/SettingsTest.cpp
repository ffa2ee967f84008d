// Document settings, the leading style prefix, the page head, picture paths and page file names.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/GenThread.h"
#include "tests/support/TestSupport.h"

namespace {

std::unique_ptr<CGenThread> JobWithForm(const testsupport::TempDir& dir, const std::string& form) {
    const std::string path = dir.File("form.frm");
    testsupport::WriteFile(path, form);
    auto job = std::make_unique<CGenThread>(nullptr, "", path, "MAIN", 0);
    EXPECT_EQ(TRUE, job->m_formFile.Load(path));
    return job;
}

TEST(SystemSettings, ReadsAndChecksTheSystemSection) {
    // clang-format off
    struct Case {
        const char* name; std::string form; BOOL expected;
        const char* defaultStyle; const char* destDir; const char* picDir; const char* background;
    };
    const std::vector<Case> cases = {
        {"complete", "[SYSTEM]\nDEFAULT_STYLE = <<BODY>>\nHTML_DEST_DIR = /srv/out \n"
         "PIC_SOURCE_DIR=C:\\pics\nBACKGROUND_PIC=img/back.gif ; tiled\n",
         TRUE, "BODY", "/srv/out", "C:\\pics\\", "img/back.gif"},
        {"empty style name", "[SYSTEM]\nDEFAULT_STYLE=<<>>\n", TRUE, "", "", "\\", ""},
        {"inner blanks", "[SYSTEM]\nDEFAULT_STYLE=<< Head >>\n", TRUE, " Head ", "", "\\", ""},
        {"slash", "[SYSTEM]\nDEFAULT_STYLE=<<B>>\nPIC_SOURCE_DIR=/p/", TRUE, "B", "", "/p/", ""},
        {"backslash kept", "[SYSTEM]\nDEFAULT_STYLE=<<B>>\nPIC_SOURCE_DIR=D:\\p\\", TRUE, "B", "",
         "D:\\p\\", ""},
        {"first section, later key", "[SYSTEM]\nDEFAULT_STYLE=<<ONE>>\nDEFAULT_STYLE=<<TWO>>\n"
         "[SYSTEM]\nDEFAULT_STYLE=<<THREE>>\nPIC_SOURCE_DIR=/x/\n", TRUE, "TWO", "", "\\", ""},
        {"no brackets, fields as read", "[SYSTEM]\nDEFAULT_STYLE=BODY\nHTML_DEST_DIR=/out\n"
         "PIC_SOURCE_DIR=/pics\nBACKGROUND_PIC=b.gif\n", FALSE, "BODY", "/out", "/pics", "b.gif"},
        {"no closing", "[SYSTEM]\nDEFAULT_STYLE=<<BODY>\n", FALSE, "<<BODY>", "", "", ""},
        {"no opening", "[SYSTEM]\nDEFAULT_STYLE=<BODY>>\n", FALSE, "<BODY>>", "", "", ""},
        {"three characters", "[SYSTEM]\nDEFAULT_STYLE=<<>\n", FALSE, "<<>", "", "", ""},
        {"two characters", "[SYSTEM]\nDEFAULT_STYLE=<<\n", FALSE, "<<", "", "", ""},
        {"key missing", "[SYSTEM]\nHTML_DEST_DIR=/out\n", FALSE, "", "/out", "", ""},
        {"key in lower case", "[SYSTEM]\ndefault_style=<<B>>\n", FALSE, "", "", "", ""},
        {"no system section", "[OTHER]\nDEFAULT_STYLE=<<B>>\n", FALSE, "", "", "", ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        auto job = JobWithForm(dir, c.form);
        EXPECT_EQ(c.expected, job->ReadSystemSettings());
        EXPECT_EQ(c.defaultStyle, job->m_strDefaultStyle);
        EXPECT_EQ(c.destDir, job->m_strHtmlDestDir);
        EXPECT_EQ(c.picDir, job->m_strPicSourceDir);
        EXPECT_EQ(c.background, job->m_strBackgroundPic);
    }
}

TEST(StylePrefix, TakesLeadingStyleNameOffTheText) {
    // clang-format off
    struct Case { const char* text; BOOL expected; const char* style; const char* rest; };
    const std::vector<Case> cases = {
        {"Alpha", TRUE, "", "Alpha"},                     {"", TRUE, "", ""},
        {" <<Head>>Alpha", TRUE, "", " <<Head>>Alpha"},   {"<Head>>A", TRUE, "", "<Head>>A"},
        {"<<Head>>Alpha", TRUE, "Head", "Alpha"},         {"<<>>Alpha", TRUE, "", "Alpha"},
        {"<<Head>>", TRUE, "Head", ""},                   {"<< Head >> A ", TRUE, " Head ", " A "},
        {"<<Head>>A<<B>>C>>", TRUE, "Head", "A<<B>>C>>"}, {"<<A>B>>>C", TRUE, "A>B", ">C"},
        {"<<Head", FALSE, "untouched", "<<Head"},         {"<<H>", FALSE, "untouched", "<<H>"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CGenThread job(nullptr, c.text, "", "", 0);
        std::string style = "untouched";
        EXPECT_EQ(c.expected, job.SplitStylePrefix(style));
        EXPECT_EQ(c.style, style);
        EXPECT_EQ(c.rest, job.RemainingText());
    }
}

TEST(PageHead, OpensEveryPageTheSameWay) {
    CGenThread job(nullptr, "", "", "", 0);
    job.m_strPicSourceDir = "/pics/";
    EXPECT_EQ("<html><head><title>User Notification</title></head><body bgcolor=\"#FFFFFF\">",
              job.BuildPageHead("User Notification"));
    // Neither the title nor the picture is escaped, and the picture is not resolved.
    job.m_strBackgroundPic = "img\\back ground.gif";
    EXPECT_EQ("<html><head><title>A & <b>B</title></head>"
              "<body BACKGROUND=file:img\\back ground.gif>",
              job.BuildPageHead("A & <b>B"));
}

TEST(PicturePath, PrefixesRelativeNamesWithThePictureDirectory) {
    // clang-format off
    struct Case { const char* path; const char* expected; };
    const std::vector<Case> cases = {
        {"a.gif", "D:\\pics\\a.gif"},          {"sub/a.gif", "D:\\pics\\sub/a.gif"},
        {"C:\\x\\a.gif", "C:\\x\\a.gif"},     {"c:/x/a.gif", "c:/x/a.gif"},
        {"http://h/a.gif", "http://h/a.gif"}, {"\\x\\a.gif", "D:\\pics\\\\x\\a.gif"},
        {"/x/a.gif", "D:\\pics\\/x/a.gif"},     {":\\a.gif", "D:\\pics\\:\\a.gif"},
        {":/a:/b.gif", "D:\\pics\\:/a:/b.gif"}, {":\\a:/b.gif", ":\\a:/b.gif"},
        {"", "D:\\pics\\"},
        {"\\\\server\\share\\a.gif", "D:\\pics\\\\\\server\\share\\a.gif"},
    };
    // clang-format on
    CGenThread job(nullptr, "", "", "", 0);
    job.m_strPicSourceDir = "D:\\pics\\";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string path = c.path;
        job.ResolvePicturePath(path);
        EXPECT_EQ(c.expected, path);
    }
}

TEST(HtmlFileName, BuildsNameFromClockAndRequestIndex) {
    // clang-format off
    using DT = platform::LocalDateTime;
    const DT dec4{2026, 12, 4, 8, 7, 28};
    struct Case {
        const char* name; const char* destDir;
        std::optional<DT> now; // none: the calendar conversion fails
        std::int32_t index; const char* expected; const char* destDirAfter;
    };
    const std::vector<Case> cases = {
        {"separator added", "/out", dec4, 0, "/out/HTML2026212242827228202.htm", "/out/"},
        {"slash kept", "/out/", dec4, 0, "/out/HTML2026212242827228202.htm", "/out/"},
        {"backslash kept", "C:\\o\\", dec4, 0, "C:\\o\\HTML2026212242827228202.htm", "C:\\o\\"},
        {"trimmed", " \t/out \n", dec4, 0, "/out/HTML2026212242827228202.htm", "/out/"},
        {"request index", "/out", dec4, 13, "/out/HTML20262122428272282132.htm", "/out/"},
        {"unpadded 01:22:05", "d", DT{2027, 1, 2, 1, 22, 5}, 3, "d/HTML202721222122225232.htm",
         "d/"},
        {"unpadded 12:02:05", "d", DT{2027, 1, 2, 12, 2, 5}, 3, "d/HTML202721222122225232.htm",
         "d/"},
        {"midnight", "d", DT{2030, 10, 31, 0, 0, 0}, 1, "d/HTML2030210231202020212.htm", "d/"},
        {"clock fails", "/out", std::nullopt, 0, "/out/HTML-12-12-12-12-12-1202.htm", "/out/"},
        {"clock fails, index", "/out", std::nullopt, 5, "/out/HTML-12-12-12-12-12-1252.htm",
         "/out/"},
        {"empty dir", "", dec4, 0, "", ""},
        {"blank dir", "  \t ", dec4, 0, "", ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<testsupport::FixedClock> clock;
        if (c.now)
            clock.emplace(*c.now);
        else
            clock.emplace(true);
        CGenThread job(nullptr, "", "", "", c.index);
        job.m_strHtmlDestDir = c.destDir;
        EXPECT_EQ(c.expected, job.MakeHtmlFileName());
        EXPECT_EQ(c.destDirAfter, job.m_strHtmlDestDir);
    }
}

} // namespace
