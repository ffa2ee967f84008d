// The HTML5 page format: the keys that ask for it, its CSS, its picture URLs, its style sheet.
// That its pages are valid and render as asked is shown by tests/html5 (checker and browser).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Check.h"
#include "engine/GenThread.h"
#include "tests/support/TestSupport.h"

namespace {

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos))
        text.replace(pos, what.size(), with), pos += with.size();
    return text;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++n;
    return n;
}

// A form file in a fresh folder whose pages go to a second one; @DEST@ stands for that.
struct Form {
    explicit Form(const std::string& text) {
        testsupport::WriteFile(path, ReplaceAll(text, "@DEST@", dest.Path().string()));
    }
    testsupport::TempDir dir, dest;
    std::string path = dir.File("job.frm");
};

TEST(Html5Settings, PageFormatAndLanguageAreCheckedWhereTheyStand) {
    // clang-format off
    struct Case { const char* keys; std::string opening, reason; };
    const std::vector<Case> cases = {
        {"", "<html><head><title>User Notification</title></head>", ""},
        {"PAGE_FORMAT = COMPATIBLE\nPAGE_LANGUAGE = ?\n", "<html><head><title>User Notification</title></head>", ""},
        {"PAGE_FORMAT = HTML5\n", "<!DOCTYPE html>\n<html lang=\"en\">", ""},
        {"PAGE_FORMAT = HTML5\nPAGE_LANGUAGE = de-CH\n", "<!DOCTYPE html>\n<html lang=\"de-CH\">", ""},
        {"PAGE_FORMAT = html5\n", "", "@FORM@:4: [SYSTEM] PAGE_FORMAT must be COMPATIBLE or HTML5, found \"html5\""},
        {"PAGE_FORMAT =\n", "", "@FORM@:4: [SYSTEM] PAGE_FORMAT must be COMPATIBLE or HTML5, found \"\""},
        {"PAGE_FORMAT = HTML5\nPAGE_LANGUAGE = en\"x\n", "", "@FORM@:5: [SYSTEM] PAGE_LANGUAGE must be a language tag such as en or de-CH, found \"en\"x\""},
        {"PAGE_FORMAT = HTML5\nPAGE_LANGUAGE = e\n", "", "@FORM@:5: [SYSTEM] PAGE_LANGUAGE must be a language tag such as en or de-CH, found \"e\""},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Form form(std::string("[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = @DEST@\n") + c.keys);
        CGenThread job(nullptr, "Alpha", form.path, "LAYOUT", 0);
        job.GeneratePage();
        EXPECT_EQ(ReplaceAll(c.reason, "@FORM@", form.path), job.m_strFailReason);
        if (c.opening.empty()) {
            EXPECT_EQ("", job.m_strResultFile);
            continue;
        }
        EXPECT_EQ(c.opening,
                  testsupport::ReadFile(job.m_strResultFile).substr(0, c.opening.size()));
        // check knows both keys, and fails the form wherever a request fails.
        const std::vector<engine::Diagnostic> found = engine::CheckForm({form.path, "", false, {}});
        EXPECT_TRUE(found.empty()) << found.front().strMessage;
    }
    Form bad("[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = @DEST@\nPAGE_FORMAT = XHTML\n");
    const std::vector<engine::Diagnostic> found = engine::CheckForm({bad.path, "", false, {}});
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ(engine::Severity::kError, found[0].severity);
    EXPECT_EQ(4u, found[0].nLine);
    EXPECT_EQ("[SYSTEM] PAGE_FORMAT must be COMPATIBLE or HTML5, found \"XHTML\"",
              found[0].strMessage);
}

// CSS for each style tag, joined by "; " in the section's order. A value CSS cannot read is
// left out rather than voiding the style sheet; a family name is quoted where CSS needs it.
TEST(Html5Styles, EachTagBecomesItsCssDeclaration) {
    // clang-format off
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"<BOLD>\n<COLOR_RED>", "font-weight: bold; color: #FF0000"},
        {"<ITALIC>\n<FONT_SIZE>12\n<ALIGN_CENTER>", "font-style: italic; font-size: 12pt; text-align: center"},
        {"<ALIGN_LEFT>\n<ALIGN_RIGHT>\n<COLOR_BLACK>\n<COLOR_WHITE>\n<COLOR_BLUE>\n<COLOR_GREEN>",
         "text-align: left; text-align: right; color: #000000; color: #FFFFFF; color: #0000FF; color: #00FF00"},
        {"<FONT> Georgia\n<FONT_SIZE>10.5", "font-family: Georgia; font-size: 10.5pt"},
        {"<FONT>Arial,  sans-serif", "font-family: Arial, sans-serif"},
        {"<FONT>Lucida Grande 2, \"My Font\", inherit", "font-family: \"Lucida Grande 2\", \"My Font\", \"inherit\""},
        {"<FONT>a\"b</style>", "font-family: \"a\\\"b\\3C /style>\""},
        {"<FONT>\n<FONT_SIZE>big\n<FONT_SIZE>-1\n<BOLD>", "font-weight: bold"},
        {"<BOLD>\n<BLINK>", nullptr},
    };
    // clang-format on
    for (const auto& [lines, css] : cases) {
        SCOPED_TRACE(lines);
        Form form(std::string("[S]\n") + lines + "\n");
        CGenThread job(nullptr, "", form.path, "", 0);
        ASSERT_TRUE(job.m_formFile.Load(form.path));
        std::string rule = "left over";
        EXPECT_EQ(css ? TRUE : FALSE, job.BuildStyleRule("S", rule));
        EXPECT_EQ(css ? css : "", rule);
    }
}

// Absolute paths become file: URLs, relative names relative URLs (with the picture folder in
// front when the form names one), URLs stay; "|" starts the alternative text. The compatible
// page writes the same line as it always has. (Names here are ASCII: 8-bit text is in another
// code page on Windows. tests/html5 loads pictures with non-ASCII names in Chromium.)
TEST(Html5Pictures, PathsBecomeUrlsAndBarGivesAlternativeText) {
    // clang-format off
    struct Case { const char *system, *line, *chunk; };
    const char* const kHtml5 = "PAGE_FORMAT = HTML5\n";
    const std::vector<Case> cases = {
        {kHtml5, "<PICTURE>/pics/a b.png", "<p><img src=\"file:///pics/a%20b.png\" alt=\"\"></p>\n"},
        {kHtml5, "<PICTURE>C:\\Pics\\logo 1.png | Our logo ", "<p><img src=\"file:///C:/Pics/logo%201.png\" alt=\"Our logo\"></p>\n"},
        {kHtml5, "<PICTURE>\\\\server\\share\\x.png", "<p><img src=\"file://server/share/x.png\" alt=\"\"></p>\n"},
        {kHtml5, "<PICTURE>a:b #1%.png", "<p><img src=\"a%3Ab%20%231%25.png\" alt=\"\"></p>\n"},
        {"PAGE_FORMAT = HTML5\nPIC_SOURCE_DIR = my pictures\n", "<PICTURE>x.png", "<p><img src=\"my%20pictures/x.png\" alt=\"\"></p>\n"},
        {"PAGE_FORMAT = HTML5\nPIC_SOURCE_DIR = /srv/pics/\n", "<PICTURE>x y.png", "<p><img src=\"file:///srv/pics/x%20y.png\" alt=\"\"></p>\n"},
        {"PAGE_FORMAT = HTML5\nPIC_SOURCE_DIR = /srv/pics/\n", "<PICTURE><<S>>https://example.com/a b.png?x=1&y=2|A & \"B\"",
         "<p class=\"S\"><img src=\"https://example.com/a b.png?x=1&amp;y=2\" alt=\"A &amp; &quot;B&quot;\"></p>\n"},
        {"PIC_SOURCE_DIR = E:/pics/\n", "<PICTURE>logo.png|Our logo", "<p><img src=file:E:/pics/logo.png|Our logo></p>"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Form form(std::string("[SYSTEM]\nDEFAULT_STYLE = <<>>\n") + c.system + "[S]\n<BOLD>\n");
        CGenThread job(nullptr, "", form.path, "", 0);
        ASSERT_TRUE(job.m_formFile.Load(form.path) && job.ReadSystemSettings());
        std::string chunk;
        EXPECT_TRUE(job.LayOutLine(c.line, nullptr, chunk));
        EXPECT_EQ(c.chunk, chunk);
    }
}

// The style sheet holds one class per style the page uses, each declared once however many
// paragraphs use it; lists stand outside paragraphs; styles the page does not use are left out.
TEST(Html5Page, DeclaresEachUsedStyleOnceAndKeepsListsOutOfParagraphs) {
    Form form("[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = @DEST@\nPAGE_FORMAT = HTML5\n"
              "[Body 1]\n<ITALIC>\n[9LIST]\n<COLOR_RED>\n[UNUSED]\n<BOLD>\n");
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "<<Body 1>>words<T>";
    text += "<LB><<9LIST>>one<T>two<LE>"; // a class name cannot begin with a digit
    CGenThread job(nullptr, text, form.path, "", 0);
    job.GeneratePage();
    const std::string page = testsupport::ReadFile(job.m_strResultFile);
    EXPECT_EQ(1u, Count(page, "font-style: italic"));
    EXPECT_EQ(10000u, Count(page, "<p class=\"Body_201\">words</p>"));
    EXPECT_EQ(1u, Count(page, "<ul class=\"_39LIST\"><li>one</li><li>two</li></ul>"));
    EXPECT_EQ(0u, Count(page, "font-weight"));
    for (const char* head : {"<meta charset=", "<meta name=\"viewport\"",
                             "<title>User Notification</title>", "<body>"})
        EXPECT_EQ(1u, Count(page, head)) << head;
}

} // namespace
