// Every way a request can end without a page, and the one-line reason each leaves on the job.
#include <gtest/gtest.h>

#include <cerrno>

#include <string>
#include <vector>

#include "engine/GenThread.h"
#include "platform/textfile.h"
#include "tests/support/TestSupport.h"

namespace {

// The system's own words for a missing file and a missing folder end the messages about them.
#ifdef _WIN32
constexpr int kNoFile = ERROR_FILE_NOT_FOUND, kNoPath = ERROR_PATH_NOT_FOUND;
#else
constexpr int kNoFile = ENOENT, kNoPath = ENOENT;
#endif

// Lines 1 to 3 are the settings; the cases that change them keep the later line numbers.
const std::string kSystem = "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = @DEST@\n";
const std::string kSections = "[HEAD]\n<BOLD>\n"                     // 4-5
                              "[LAYOUT]\n<<HEAD>>\n<NUM_LIST>\n"     // 6-8
                              "[SLOT]\n<<HEAD>>\n<<HEAD>>\n"         // 9-11
                              "[BAD]\n<LINE>\n; a comment\n<<HEAD\n" // 12-15
                              "[LOWER]\n<LINE>\n<bul_list>\n"        // 16-18
                              "[NOSTYLE]\nPlain words\n"             // 19-20
                              "[BUL]\n<BUL_LIST>\n";                 // 21-22

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos))
        text.replace(pos, what.size(), with), pos += with.size();
    return text;
}

// Sections in lines 4 to 10 for the cases that need them.
const std::string kTwoStyles = kSystem + "[TWO]\n<<HEAD>><<HEAD>>\n"
                                         "[BADSTYLE]\n<BOLD>\n<COLOUR_RED>\n[USE]\n<<BADSTYLE>>\n";
// The settings saved with a byte-order mark.
const std::string kUtf8Bom = "\xEF\xBB\xBF" + kSystem, kUtf16Bom = "\xFF\xFE" + kSystem;

TEST(FailureReason, EachFailingStepSaysWhatAndWhere) {
    // @FORM@ is the form file's path, @DIR@ its directory, @DEST@ the page directory.
    // clang-format off
    struct Case { const char *form, *system, *section, *text; std::string reason; };
    const std::vector<Case> cases = {
        // Loading the form file.
        {"  ", nullptr, "LAYOUT", "A", "no form file given (the path is empty)"},
        {"@DIR@/none.frm", nullptr, "LAYOUT", "A", "cannot open the form file \"@DIR@/none.frm\": @NOFILE@"},
        {nullptr, "; settings\nDEFAULT_STYLE = <<>>\n[SYSTEM]\n", "LAYOUT", "A", "@FORM@:2: a data line before the first [section] header"},
        {nullptr, kUtf8Bom.c_str(), "LAYOUT", "A", "@FORM@:1: the file begins with a UTF-8 byte-order mark (BOM), which a form file cannot have; save it as UTF-8 without BOM"},
        {nullptr, kUtf16Bom.c_str(), "LAYOUT", "A", "@FORM@:1: the file is UTF-16 (or no text at all), but a form file is 8-bit text; save it as UTF-8 without BOM"},
        // The settings.
        {nullptr, "[SETTINGS]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = @DEST@\n", "LAYOUT", "A", "@FORM@: the form file has no [SYSTEM] section"},
        {nullptr, "[SYSTEM]\nDEFAULT = <<>>\nHTML_DEST_DIR = @DEST@\n", "LAYOUT", "A", "@FORM@:1: [SYSTEM] has no DEFAULT_STYLE key"},
        {nullptr, "[SYSTEM]\nDEFAULT_STYLE = BODY\nHTML_DEST_DIR = @DEST@\n", "LAYOUT", "A", "@FORM@:2: [SYSTEM] DEFAULT_STYLE must be written <<name>>, found \"BODY\""},
        // The text, with offsets counted in the text as given, leading blanks included.
        {nullptr, nullptr, "LAYOUT", "  <LE>Alpha", "text, offset 2: the text begins with <LE>, which ends a list never begun"},
        {nullptr, nullptr, "LAYOUT", "A>><LB><<Lst", "text, offset 7: a style name begun with << is never closed with >>"},
        {nullptr, nullptr, "LAYOUT", "A>> <T><<Head", "text, offset 7: a style name begun with << is never closed with >>"},
        {nullptr, nullptr, "LAYOUT", "Alpha<LB>Beta", "text, offset 5: a list begun with <LB> is never ended"},
        {nullptr, nullptr, "LAYOUT", "<LB>Alpha<T>Beta", "text, offset 0: a list begun with <LB> is never ended"},
        {nullptr, nullptr, "LAYOUT", "<LB>A<LB>B<LE>", "text, offset 5: a list cannot hold another <LB>; the list begun at offset 0 needs its <LE> first"},
        {nullptr, nullptr, "LAYOUT", "<LB>Alpha<T><<Body>>Beta<LE>", "text, offset 12: a style name inside a list; only the first item, right after <LB>, can have one"},
        {nullptr, nullptr, "LAYOUT", "<LB>A <b>x</b><LE>", "text, offset 6: \"<b>\" inside a list; a list item can only be followed by <T> or <LE>"},
        // The page: words, a destination, a file.
        {nullptr, nullptr, "LAYOUT", " ", "text: the text holds no words, so there is no page to write"},
        {nullptr, nullptr, "LAYOUT", "<<Head>>", "text: the text holds no words, so there is no page to write"},
        {nullptr, nullptr, "LAYOUT", "<<HEAD x<T>b>>", "text, offset 0: the style name begun with << runs on to the >> at offset 12 and takes in \"<T>\", so the text holds no words; close the name with >> where it ends"},
        {nullptr, "[SYSTEM]\nDEFAULT_STYLE = <<>>\nPIC_SOURCE_DIR = x\n", "LAYOUT", "A", "@FORM@:1: [SYSTEM] has no HTML_DEST_DIR key, so the page has nowhere to go"},
        {nullptr, "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR =  \n", "LAYOUT", "A", "@FORM@:3: [SYSTEM] HTML_DEST_DIR is empty, so the page has nowhere to go"},
        {nullptr, "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = @DEST@/none\n", "LAYOUT", "A", "cannot create the page file \"@DEST@/none/HTML2026212242827228272.htm\": @NOPATH@"},
        {nullptr, "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = @DEST@/none\n", "LAYOUT", "<<HEAD>>A", "cannot create the page file \"@DEST@/none/HTML2026212242827228272.htm\": @NOPATH@"},
        // The section's items, by file line and by line within the section.
        {nullptr, nullptr, "LAYOUT", "A<T>B", "@FORM@:8: section [LAYOUT], line 2: <NUM_LIST> needs a list from the text, but the next run is a paragraph"},
        {nullptr, nullptr, "LAYOUT", "A", "@FORM@:8: section [LAYOUT], line 2: <NUM_LIST> needs a list from the text, but the text has no runs left"},
        {nullptr, nullptr, "SLOT", "<LB>A<LE>", "@FORM@:10: section [SLOT], line 1: a text slot needs a paragraph from the text, but the next run is a list item"},
        {nullptr, nullptr, "SLOT", "A", "@FORM@:11: section [SLOT], line 2: a text slot needs a paragraph from the text, but the text has no runs left"},
        {nullptr, nullptr, "BAD", "A", "@FORM@:15: section [BAD], line 2: a style name begun with << is never closed with >>"},
        {nullptr, nullptr, "LOWER", "A", "@FORM@:18: section [LOWER], line 2: unknown item tag \"<bul_list>\""},
        {nullptr, nullptr, "NOSTYLE", "A", "@FORM@:20: section [NOSTYLE], line 1: a text slot needs a style but none applies"},
        {nullptr, kTwoStyles.c_str(), "TWO", "A", "@FORM@:5: section [TWO], line 1: a line can name only one style, but \"<<HEAD>><<HEAD>>\" names more; the second is read as the unknown item tag \"<<HEAD>\""},
        {nullptr, kTwoStyles.c_str(), "USE", "A", "@FORM@:10: section [USE], line 1: a text slot needs a style but none applies: style section [BADSTYLE] is dropped by its line 2 (@FORM@:8), \"<COLOUR_RED>\", which is no style tag"},
        {nullptr, nullptr, "BUL", "A", "@FORM@:22: section [BUL], line 1: <BUL_LIST> needs a list from the text, but the next run is a paragraph"},
    };
    // clang-format on
    testsupport::FixedClock clock{platform::LocalDateTime{2026, 12, 4, 8, 7, 28}};
    for (const Case& c : cases) {
        testsupport::TempDir formDir, outDir;
        const auto fill = [&](std::string s) {
            s = ReplaceAll(s, "@FORM@", formDir.File("job.frm"));
            s = ReplaceAll(s, "@DIR@", formDir.Path().string());
            s = ReplaceAll(s, "@NOFILE@", platform::FileErrorText(kNoFile));
            s = ReplaceAll(s, "@NOPATH@", platform::FileErrorText(kNoPath));
            return ReplaceAll(s, "@DEST@", outDir.Path().string());
        };
        testsupport::WriteFile(formDir.File("job.frm"),
                               fill((c.system ? c.system : kSystem) + kSections));
        const std::string form = fill(c.form ? c.form : "@FORM@");
        SCOPED_TRACE(form + " [" + c.section + "] '" + c.text + "'");
        CGenThread job(nullptr, c.text, form, c.section, 7);
        job.GeneratePage();
        EXPECT_EQ("", job.m_strResultFile);
        EXPECT_EQ(fill(c.reason), job.m_strFailReason);
    }
}

} // namespace
