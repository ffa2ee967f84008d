// From runs of request text to a page file, by a form-file section or by the text's own styles.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "engine/GenThread.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kHead =
    "<html><head><title>User Notification</title></head><body BACKGROUND=file:bg.gif>";
const std::string kTail = "</body></html>", kHA = "STYLE=\"font-weight=extra-bold; color=#FF0000\"";
const std::string kBA = "STYLE=\"font-style=italic\"", kLA = "STYLE=\"font-size=12pt\"";
// The styled openings of a paragraph in HEAD, BODY and LIST.
const std::string kPH = "<p " + kHA + ">", kPB = "<p " + kBA + ">", kPL = "<p " + kLA + ">";
const std::string kAlpha = kPH + "Alpha</p>", kList = "<UL><LI>Beta<LI>Gamma</UL>";
constexpr UINT kPara = KIND_PARAGRAPH, kItem = KIND_LIST_ITEM;

// clang-format off
struct Token { UINT kind; std::string text, style = ""; };
const std::string kSystem = "[SYSTEM]\nDEFAULT_STYLE = <<>>   ; no default style\nHTML_DEST_DIR = @DEST@\n"
                            "PIC_SOURCE_DIR = E:/pics/\nBACKGROUND_PIC = bg.gif\n";
const std::string kSections =
    "[HEAD]\n<BOLD>\n<COLOR_RED>\n[BODY]\n<ITALIC>\n[ BODY]\n<ALIGN_CENTER>\n[LIST]\n<FONT_SIZE>12\n[BAD]\n<BLINK>\n"
    "[NOTE]\n<<HEAD>>\n<BUL_LIST>\n<PICTURE>logo.gif\n[BROKEN]\n<LINE>\n<NUM_LIST>\n[NUMBERED]\n<NUM_LIST>\n<<BODY>>\n"
    "[LAYOUT]\n<<HEAD>>\n<LINE>\n<BUL_LIST>\n<PICTURE>logo.gif\n[TITLED_LIST]\n<<HEAD>>\n<BUL_LIST>\n[EMPTY]\n"
    "[FIXED_ITEMS]\n<LITERAL> <b>x</b>\n<NEW_LINE>\n<BACK_PICT>\n<LINE>\n<PICTURE>D:\\art\\logo.gif\n<<BODY>>\n"
    "[NO_STYLE]\n<<NOPE>>\n[LOWER_CASE]\n<NEW_LINE>\n<bul_list>\n[UNKNOWN]\n<LINE>\n<TABLE>\n"
    "[TWO_SLOTS]\n<<HEAD>>\n<<BODY>>\n[TWO_LISTS]\n<BUL_LIST>\n<BUL_LIST>\n";
// clang-format on

// A job whose form file holds every section used here (no file when sys is empty), with an
// empty output directory and a fixed clock. Its own section fails any page, so a writer that lays
// out another section than the one it is given shows at once.
struct Env {
    testsupport::FixedClock clock{platform::LocalDateTime{2026, 12, 4, 8, 7, 28}};
    testsupport::TempDir formDir, outDir;
    std::string form = formDir.File("job.frm"), dest = outDir.Path().string();
    // The writer joins directory and name with "/" on every system. Request index 7.
    std::string page = dest + "/HTML2026212242827228272.htm";
    CGenThread job;

    explicit Env(std::string sys = kSystem, const char* text = "", const char* sec = "BROKEN")
        : job(nullptr, text, form, sec, 7) {
        if (!sys.empty())
            testsupport::WriteFile(form,
                                   std::regex_replace(sys, std::regex("@DEST@"), dest) + kSections);
    }
    // The job as the steps before the page writers leave it, with another default style.
    CGenThread& Job(const std::vector<Token>& tokens, const char* defaultStyle) {
        EXPECT_TRUE(job.m_formFile.Load(form) && job.ReadSystemSettings());
        job.m_strDefaultStyle = defaultStyle;
        for (const Token& t : tokens) {
            job.m_arrTokenText.push_back(t.text);
            job.m_arrTokenKind.push_back(t.kind);
            job.m_arrTokenStyle.push_back(t.style);
        }
        return job;
    }
};

// One job serves every row, so a row after a styled one shows that no style carries over. Only
// the first marker is cut out, and it wins over the default style even when it names no usable
// section. An unclosed marker fails and leaves the outputs as they were.
TEST(SectionLine, SplitsIntoTagArgumentAndStyle) {
    // clang-format off
    struct Case { const char *line, *defaultStyle; bool ok; std::string tag, arg, attribute; };
    const std::vector<Case> cases = {
        {"<<HEAD>>", "", true, "", "", kHA},
        {" <LINE> ", "", true, "<LINE>", " ", ""},
        {"<PICTURE><<LIST>>logo.gif", "", true, "<PICTURE>", "logo.gif", kLA},
        {"<<LIST>><PICTURE>logo.gif", "BODY", true, "<PICTURE>", "logo.gif", kLA},
        {"<PICTURE>lo<<LIST>>go.gif", "", true, "<PICTURE>", "logo.gif", kLA},
        {"BODYTEXT", "BODY", true, "", "BODYTEXT", kBA},
        {"<LITERAL><b>x</b> & y", "", true, "<LITERAL>", "<b>x</b> & y", ""},
        {"<LITERAL><<HEAD>>a<<LIST>>", "", true, "<LITERAL>", "a<<LIST>>", kHA},
        {"<<NOPE>>", "BODY", true, "", "", ""},
        {"<< BODY>>", "", true, "", "", "STYLE=\"text-align=center\""},
        {"<PICTURE><<HEAD", "BODY", false, "t", "a", "s"},
        {"a>>b<<HEAD", "BODY", false, "t", "a", "s"},
    };
    // clang-format on
    Env env;
    CGenThread& job = env.Job({}, "");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("line '") + c.line + "', default '" + c.defaultStyle + "'");
        job.m_strDefaultStyle = c.defaultStyle;
        std::string tag = "t", arg = "a", attribute = "s";
        EXPECT_EQ(c.ok ? TRUE : FALSE, job.SplitSectionLine(c.line, &tag, &arg, &attribute));
        EXPECT_EQ(c.tag + "|" + c.arg + "|" + c.attribute, tag + "|" + arg + "|" + attribute);
    }
}

// A null section lays the page out by the text's own styles, a list taking its first item's.
// A failed page keeps the head and what came before the bad line, but no tail.
TEST(Pages, WritesRunsInOrderAndStopsAtTheFirstBadItem) {
    // clang-format off
    const std::vector<Token> a = {{kPara, "Alpha"}}, abc = {{kPara, "Alpha"}, {kItem, "Beta"}, {kItem, "Gamma"}};
    const std::vector<Token> mixed = {{kPara, "Alpha"}, {kItem, "Beta", "LIST"}, {kItem, "Gamma"}, {kPara, "Delta"}};
    struct Case { const char* section; std::vector<Token> tokens; const char* defaultStyle; bool ok; std::string body; };
    const std::vector<Case> cases = {
        {"LAYOUT", abc, "", true, kAlpha + "<hr>" + kList + "<p><img src=file:E:/pics/logo.gif></p>"},
        {"TITLED_LIST", abc, "BODY", true, kAlpha + kPB + kList + "</p>"},
        {"NUMBERED", {{kItem, "Beta"}, {kItem, "Gamma"}, {kPara, "Delta"}, {kPara, "Omega"}}, "", true, "<OL><LI>Beta<LI>Gamma</OL>" + kPB + "Delta</p>"},
        {"FIXED_ITEMS", {{kPara, "Alpha"}, {kPara, "Beta"}}, "", true, "<p> <b>x</b></p><BR><hr><p><img src=file:D:\\art\\logo.gif></p>" + kPB + "Alpha</p>"},
        {"EMPTY", a, "", true, ""},
        // Without the section every run is a paragraph in the default style, lists included.
        {"NOPE", abc, "", true, "<p>Alpha</p><p>Beta</p><p>Gamma</p>"},
        {"NOPE", {{kPara, "Alpha"}, {kItem, "Beta"}}, "BODY", true, kPB + "Alpha</p>" + kPB + "Beta</p>"},
        {"NOPE", a, "NOPE", true, "<p >Alpha</p>"},
        {"BROKEN", a, "", false, "<hr>"},
        {"LOWER_CASE", a, "", false, "<BR>"},
        {"UNKNOWN", a, "", false, "<hr>"},
        {"NO_STYLE", a, "", false, ""},
        {"TWO_SLOTS", a, "", false, kAlpha},
        {"TWO_LISTS", {{kItem, "Beta"}}, "", false, "<UL><LI>Beta</UL>"},
        {nullptr, mixed, "", true, "<p>Alpha</p>" + kPL + kList + "</p><p>Delta</p>"},
        {nullptr, mixed, "BODY", true, kPB + "Alpha</p>" + kPL + kList + "</p>" + kPB + "Delta</p>"},
        {nullptr, {{kItem, "Beta"}, {kItem, "Gamma", "HEAD"}}, "", true, kList},
        {nullptr, {{kItem, "A"}, {kPara, ""}, {kItem, "B"}}, "", true, "<UL><LI>A</UL><p></p><UL><LI>B</UL>"},
        // A style that yields no attribute, or a blank name, means no style, not the default.
        {nullptr, {{kPara, "Alpha", "NOPE"}, {kItem, "Beta", "BAD"}, {kPara, "Gamma", "HEAD"}}, "BODY", true, "<p>Alpha</p><UL><LI>Beta</UL>" + kPH + "Gamma</p>"},
        {nullptr, {{kPara, "Alpha", " HEAD\t"}, {kPara, "Beta", "  "}}, "BODY", true, kAlpha + "<p>Beta</p>"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section ? c.section : "inline") + ", " + c.defaultStyle);
        Env env;
        // A page of the same name from earlier is replaced, not appended to.
        testsupport::WriteFile(env.page, std::string(500, 'x'));
        CGenThread& job = env.Job(c.tokens, c.defaultStyle);
        std::string result = "stale";
        EXPECT_EQ(c.ok, c.section ? job.WriteSectionPage(c.section, result)
                                  : job.WriteInlineStylePage(result));
        EXPECT_EQ(env.page, result);
        EXPECT_EQ(kHead + c.body + (c.ok ? kTail : ""), testsupport::ReadFile(env.page));
    }
}

TEST(GeneratePage, RunsTheWholeJob) {
    enum Outcome { Page, NoFile, LeftBehind };
    const std::string styledBody = kAlpha + kPL + kList + "</p><p>Delta</p>";
    // clang-format off
    const char *plain = " \r\nAlpha<LB>Beta<T>Gamma<LE>\n", *styled = "<<HEAD>>Alpha<LB><<LIST>>Beta<T>Gamma<LE>Delta";
    struct Case { std::string system; const char *text, *section; Outcome outcome; std::string body; };
    const std::vector<Case> cases = {
        {kSystem, plain, "NOTE", Page, kAlpha + kList + "<p><img src=file:E:/pics/logo.gif></p>"},
        {kSystem, styled, "NOTE", Page, styledBody},
        {kSystem, styled, "BROKEN", Page, styledBody},
        {"", plain, "NOTE", NoFile, ""}, // no form file at all
        {"[SETTINGS]" + kSystem.substr(8), plain, "NOTE", NoFile, ""},
        {std::regex_replace(kSystem, std::regex("@DEST@"), ""), plain, "NOTE", NoFile, ""},
        {kSystem, "<LE>Alpha", "NOTE", NoFile, ""},
        {kSystem, " \t\n ", "NOTE", NoFile, ""},
        {kSystem, "Alpha", "BROKEN", LeftBehind, "<hr>"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " | " + c.section + " | " + c.system);
        Env env(c.system, c.text, c.section);
        env.job.GeneratePage();
        EXPECT_EQ(c.outcome == Page ? env.page : "", env.job.m_strResultFile);
        EXPECT_EQ(c.outcome == NoFile ? 0u : 1u, testsupport::ListFiles(env.dest).size());
        if (c.outcome != NoFile) {
            EXPECT_EQ(kHead + c.body + (c.outcome == Page ? kTail : ""),
                      testsupport::ReadFile(env.page));
        }
    }
}

} // namespace
