// The form file and what a job takes from it, the page head, picture paths and page file names.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "engine/GenThread.h"
#include "tests/support/TestSupport.h"

namespace {

// A job whose form file is written to a fresh directory; Load() reads it into the job.
struct FormJob {
    explicit FormJob(const std::string& form) { testsupport::WriteFile(path, form); }
    BOOL Load() { return job.m_formFile.Load(path); }
    testsupport::TempDir dir;
    std::string path = dir.File("form.frm");
    CGenThread job{nullptr, "", path, "MAIN", 0};
};

TEST(FormFile, ServesValuesAndStyleSections) {
    FormJob f("[SYSTEM]\n  DEFAULT_STYLE   =   <<BODY>>   ; the default\nTWICE=first\nEQ=a=b\n"
              "TWICE=second\n[ PADDED ]\nK=padded\n[]\nK=nameless\n[DUP]\nK=one\n[DUP]\nK=two\n"
              "ONLY2=x\n[EMPTY]\n[MISSPELT]\n<BOLD>\n<BLOD>\n[ALL]\n<BOLD>\n<ITALIC>\n<FONT>Arial\n"
              "<FONT_SIZE>10\n<ALIGN_LEFT>\n<ALIGN_RIGHT>\n<ALIGN_CENTER>ignored\n<COLOR_BLACK>\n"
              "<COLOR_WHITE>\n<COLOR_RED>\n<COLOR_BLUE>\n<COLOR_GREEN>\n");
    ASSERT_EQ(TRUE, f.Load());
    testsupport::WriteFile(f.path, "[C]\nK=3\n"); // the path already held is not read again
    ASSERT_EQ(TRUE, f.Load());
    EXPECT_NE(nullptr, f.job.m_formFile.GetSection(" PADDED ")) << "header names keep blanks";
    const std::vector<std::tuple<const char*, const char*, const char*>> values = {
        {"SYSTEM", "DEFAULT_STYLE", "<<BODY>>"},
        {"SYSTEM", "TWICE", "second"},
        {"SYSTEM", "EQ", "a=b"},
        {" PADDED ", "K", ""},
        {"", "K", "nameless"},
        {"DUP", "K", "one"},
        {"DUP", "ONLY2", ""},
    };
    for (const auto& [section, key, expected] : values)
        EXPECT_EQ(expected, f.job.m_formFile.GetValue(section, key)) << section << "/" << key;
    // A style with one unknown tag, or with no lines, yields no attribute at all; the known ones
    // join with "; ", and text behind a tag that takes no value is ignored.
    for (const char* style : {"MISSPELT", "EMPTY"}) {
        std::string result = "left over";
        EXPECT_EQ(FALSE, f.job.BuildStyleAttribute(style, result));
        EXPECT_EQ("", result) << style;
    }
    std::string result;
    EXPECT_EQ(TRUE, f.job.BuildStyleAttribute("ALL", result));
    EXPECT_EQ(
        "STYLE=\"font-weight=extra-bold; font-style=italic; font-family=Arial; font-size=10pt; "
        "text-align=left; text-align=right; text-align=center; color=#000000; color=#FFFFFF; "
        "color=#FF0000; color=#0000FF; color=#00FF00\"",
        result);
}

const std::vector<std::tuple<const char*, BOOL, std::vector<std::string>>> kSettings = {
    {"[SYSTEM]\nDEFAULT_STYLE = <<BODY>>\nHTML_DEST_DIR = /srv/out \nPIC_SOURCE_DIR=C:\\pics\n"
     "BACKGROUND_PIC=img/back.gif ; tiled\n",
     TRUE,
     {"BODY", "/srv/out", "C:\\pics\\", "img/back.gif"}},
    {"[SYSTEM]\nDEFAULT_STYLE=<<>>\n", TRUE, {"", "", "\\", ""}},
    {"[SYSTEM]\nDEFAULT_STYLE=<<B>>\nPIC_SOURCE_DIR=D:\\p\\", TRUE, {"B", "", "D:\\p\\", ""}},
    {"[SYSTEM]\nDEFAULT_STYLE=<<BODY>\n", FALSE, {"<<BODY>", "", "", ""}},
    {"[SYSTEM]\nDEFAULT_STYLE=<BODY>>\n", FALSE, {"<BODY>>", "", "", ""}},
    {"[SYSTEM]\nDEFAULT_STYLE=<<>\n", FALSE, {"<<>", "", "", ""}},
    {"[SYSTEM]\nHTML_DEST_DIR=/out\n", FALSE, {"", "/out", "", ""}},
};

TEST(SystemSettings, NeedsABracketedDefaultStyle) {
    for (const auto& [form, expected, fields] : kSettings) {
        SCOPED_TRACE(form);
        FormJob f(form);
        ASSERT_EQ(TRUE, f.Load());
        const CGenThread& j = f.job;
        EXPECT_EQ(expected, f.job.ReadSystemSettings());
        EXPECT_EQ(fields, (std::vector<std::string>{j.m_strDefaultStyle, j.m_strHtmlDestDir,
                                                    j.m_strPicSourceDir, j.m_strBackgroundPic}));
    }
}

TEST(PagePictures, PrefixRelativeNamesButNotTheBackground) {
    CGenThread job(nullptr, "", "", "", 0);
    job.m_strPicSourceDir = "D:\\pics\\";
    job.m_strBackgroundPic = "img\\back ground.gif"; // neither escaped nor resolved
    EXPECT_EQ(
        "<html><head><title>A & <b>B</title></head><body BACKGROUND=file:img\\back ground.gif>",
        job.BuildPageHead("A & <b>B"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a.gif", "D:\\pics\\a.gif"},           // relative
        {"C:\\x\\a.gif", "C:\\x\\a.gif"},       // drive and backslash
        {"http://h/a.gif", "http://h/a.gif"},   // ":/" anywhere after the start
        {"/x/a.gif", "D:\\pics\\/x/a.gif"},     // a leading slash alone is relative
        {":/a:/b.gif", "D:\\pics\\:/a:/b.gif"}, // only the first ":/" counts
        {":\\a:/b.gif", ":\\a:/b.gif"},         // ":\\" and ":/" are judged apart
    };
    auto resolved = [&job](std::string path) { return job.ResolvePicturePath(path), path; };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(expected, resolved(path)) << path;
}

using DT = platform::LocalDateTime;
const std::vector<std::tuple<const char*, std::optional<DT>, int, std::string>> kNames = {
    {"C:\\o\\", DT{2026, 12, 4, 8, 7, 28}, 0, "C:\\o\\HTML2026212242827228202.htm"},
    {" \t/out \n", DT{2026, 12, 4, 8, 7, 28}, 0, "/out/HTML2026212242827228202.htm"},
    {"d", DT{2027, 1, 2, 1, 22, 5}, 3, "d/HTML202721222122225232.htm"},
    {"d", DT{2027, 1, 2, 12, 2, 5}, 3, "d/HTML202721222122225232.htm"},
    {"/out", std::nullopt, 0, "/out/HTML-12-12-12-12-12-1202.htm"}, // no calendar date
    {"  \t ", DT{2026, 12, 4, 8, 7, 28}, 0, ""},
};

TEST(HtmlFileName, JoinsDirectoryClockAndRequestIndex) {
    for (const auto& [dir, now, index, expected] : kNames) {
        std::optional<testsupport::FixedClock> clock;
        now ? clock.emplace(*now) : clock.emplace(true);
        CGenThread job(nullptr, "", "", "", index);
        job.m_strHtmlDestDir = dir;
        EXPECT_EQ(expected, job.MakeHtmlFileName()) << '"' << dir << '"';
        // The destination stays trimmed and completed, as the name shows it.
        EXPECT_EQ(expected.substr(0, expected.find("HTML")), job.m_strHtmlDestDir);
    }
}

} // namespace
