// "pagewright check" on the broken examples, and the reasons "generate" gives for the same
// mistakes: both come from one set of rules, so they must agree word for word.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "tests/support/TestSupport.h"

namespace {

struct Output {
    int status;
    std::string out, err;
};

// Runs the command in a fresh directory that sees the examples as examples/, so messages name
// examples/broken/... and pages (build/pages in the example forms) land in the directory.
Output RunCommand(const std::string& args) {
    testsupport::TempDir tmp;
    std::filesystem::create_directory_symlink(PAGEWRIGHT_EXAMPLES_DIR, tmp.File("examples"));
    std::filesystem::create_directories(tmp.File("build/pages"));
    const std::string out = tmp.File("out"), err = tmp.File("err");
    const std::string command = "cd '" + tmp.Path().string() + "' && '" PAGEWRIGHT_EXE "' " + args +
                                " >out 2>err </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testsupport::ReadFile(out),
            testsupport::ReadFile(err)};
}

TEST(CheckCommand, FindsTheMistakesOfTheBrokenExamplesAsGenerateDoes) {
    const std::string b = "examples/broken/";
    // clang-format off
    struct Case { std::string args; int status; std::vector<std::string> lines; std::string err = ""; };
    const std::vector<Case> cases = {
        {"check --form " + b + "warnings.frm --section NOTICE --text-file " + b + "leftover.txt --text-file " + b + "stray-tag.txt", 0, {
            "warning: " + b + "warnings.frm:16: section [Body ] differs from [BODY] (line 13) only in letter case or blanks",
            "warning: " + b + "warnings.frm:6: [SYSTEM] key \"PIC_SOURCE_DIRS\" is not known; did you mean PIC_SOURCE_DIR?",
            "warning: " + b + "warnings.frm:11: section [TITLE], line 3: \"<COLOUR_BLUE>\" is not a style tag, so every style of [TITLE] is dropped",
            "warning: " + b + "warnings.frm:22: section [NOTICE], line 3: style \"LIST\" has no section, so it is written unstyled",
            "warning: text 1: section [NOTICE] shows 3 of the text's 5 runs; the last 2 are never written",
            "warning: text 2, offset 24: \"<i>\" is no markup, so tokenizing stops here: the rest of the text, markers included, is one paragraph",
            "warning: text 2, offset 0: style \"TITEL\" has no section, so it is written unstyled",
            "0 errors, 7 warnings"}},
        {"check --form " + b + "errors.frm --section NOTICE --text-file " + b + "unclosed-list.txt", 1, {
            "error: " + b + "errors.frm:13: section [NOTICE], line 3: unknown item tag \"<BULLIST>\"",
            "warning: " + b + "errors.frm:14: section [NOTICE], line 4: style \"SIGNATURE\" has no section, so it is written unstyled",
            "error: " + b + "errors.frm:14: section [NOTICE], line 4: a text slot needs a style but none applies",
            "error: " + b + "errors.frm:15: section [NOTICE], line 5: a text slot needs a style but none applies",
            "error: " + b + "errors.frm:16: section [NOTICE], line 6: a style name begun with << is never closed with >>",
            "error: text 1, offset 20: a list begun with <LB> is never ended",
            "5 errors, 1 warning"}},
        {"check --form " + b + "bad-default.frm", 1, {
            "error: " + b + "bad-default.frm:3: [SYSTEM] DEFAULT_STYLE must be written <<name>>, found \"BODY\"",
            "1 error, 0 warnings"}},
        {"check --form " + b + "no-system.frm", 1, {
            "error: " + b + "no-system.frm: the form file has no [SYSTEM] section",
            "warning: " + b + "no-system.frm: no [SYSTEM] section; [system] (line 2) differs from it only in letter case or blanks",
            "1 error, 1 warning"}},
        {"check --form " + b + "before-header.frm", 1, {
            "error: " + b + "before-header.frm:2: a data line before the first [section] header",
            "1 error, 0 warnings"}},
        // The shipped example is clean, laid out and inline.
        {"check --form examples/notice.frm --section NOTICE --text-file examples/notice.txt --text-file examples/inline.txt", 0, {
            "0 errors, 0 warnings"}},
        // A line break the text puts into a quoted tag does not break the message's line.
        {"check --form examples/notice.frm --text '<LB>a<b\nc>d<LE>'", 1, {
            "error: text 1, offset 5: \"<b\\nc>\" inside a list; a list item can only be followed by <T> or <LE>",
            "1 error, 0 warnings"}},
        // generate gives the same reasons, on stderr; stdout keeps an empty line per request.
        {"generate --form " + b + "errors.frm --section NOTICE --text-file " + b + "unclosed-list.txt --text A", 1, {"", ""},
            "pagewright: request 0: text, offset 20: a list begun with <LB> is never ended\n"
            "pagewright: request 1: " + b + "errors.frm:13: section [NOTICE], line 3: unknown item tag \"<BULLIST>\"\n"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const Output o = RunCommand(c.args);
        std::string expected;
        for (const std::string& line : c.lines)
            expected += line + "\n";
        EXPECT_EQ(c.status, o.status) << c.args;
        EXPECT_EQ(expected, o.out) << c.args;
        EXPECT_EQ(c.err, o.err) << c.args;
    }
}

} // namespace
