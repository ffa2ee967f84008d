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
// examples/broken/... and pages (build/pages in the example forms) land in the directory. A
// given input reaches the command through a pipe.
Output RunCommand(const std::string& args, const std::string& input = "") {
    testsupport::TempDir tmp;
    std::filesystem::create_directory_symlink(PAGEWRIGHT_EXAMPLES_DIR, tmp.File("examples"));
    std::filesystem::create_directories(tmp.File("build/pages"));
    testsupport::WriteFile(tmp.File("in"), input);
    const std::string out = tmp.File("out"), err = tmp.File("err");
    const std::string command =
        "cd '" + tmp.Path().string() + "' && cat in | '" PAGEWRIGHT_EXE "' " + args + " >out 2>err";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testsupport::ReadFile(out),
            testsupport::ReadFile(err)};
}

TEST(CheckCommand, FindsTheMistakesOfTheBrokenExamplesAsGenerateDoes) {
    const std::string b = "examples/broken/";
    // clang-format off
    struct Case { std::string args; int status; std::vector<std::string> lines; std::string err = "", in = ""; };
    const std::string system = "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = ";
    const std::string notice = testsupport::ReadFile(PAGEWRIGHT_EXAMPLES_DIR "/notice.frm");
    const std::vector<Case> cases = {
        {"check --form " + b + "warnings.frm --section NOTICE --text-file " + b + "leftover.txt --text-file " + b + "stray-tag.txt", 0, {
            b + "warnings.frm:16: warning: section [Body ] differs from [BODY] (line 13) only in letter case or blanks",
            b + "warnings.frm:6: warning: [SYSTEM] key \"PIC_SOURCE_DIRS\" is not known; did you mean PIC_SOURCE_DIR?",
            b + "warnings.frm:11: warning: section [TITLE], line 3: \"<COLOUR_BLUE>\" is not a style tag, so every style of [TITLE] is dropped",
            b + "warnings.frm:22: warning: section [NOTICE], line 3: style \"LIST\" has no section, so it is written unstyled",
            b + "warnings.frm:19: warning: request 0: section [NOTICE] shows 3 of the text's 5 runs; the last 2 are never written",
            b + "stray-tag.txt:1: warning: request 1: text, offset 24: \"<i>\" is no markup, so tokenizing stops here: the rest of the text, markers included, is one paragraph",
            b + "stray-tag.txt:1: warning: request 1: text, offset 0: style \"TITEL\" has no section, so it is written unstyled",
            "0 errors, 7 warnings"}},
        {"check --strict --form " + b + "warnings.frm", 1, {
            b + "warnings.frm:16: warning: section [Body ] differs from [BODY] (line 13) only in letter case or blanks",
            b + "warnings.frm:6: warning: [SYSTEM] key \"PIC_SOURCE_DIRS\" is not known; did you mean PIC_SOURCE_DIR?",
            b + "warnings.frm:11: warning: section [TITLE], line 3: \"<COLOUR_BLUE>\" is not a style tag, so every style of [TITLE] is dropped",
            b + "warnings.frm:22: warning: section [NOTICE], line 3: style \"LIST\" has no section, so it is written unstyled",
            "0 errors, 4 warnings"}},
        {"check --form " + b + "errors.frm --section NOTICE --text-file " + b + "unclosed-list.txt", 1, {
            b + "errors.frm:13: error: section [NOTICE], line 3: unknown item tag \"<BULLIST>\"",
            b + "errors.frm:14: warning: section [NOTICE], line 4: style \"SIGNATURE\" has no section, so it is written unstyled",
            b + "errors.frm:14: error: section [NOTICE], line 4: a text slot needs a style but none applies: style \"SIGNATURE\" has no section",
            b + "errors.frm:15: error: section [NOTICE], line 5: a text slot needs a style but none applies",
            b + "errors.frm:16: error: section [NOTICE], line 6: a style name begun with << is never closed with >>",
            b + "unclosed-list.txt:1: error: request 0: text, offset 20: a list begun with <LB> is never ended",
            "5 errors, 1 warning"}},
        {"check --form " + b + "bad-default.frm", 1, {
            b + "bad-default.frm:3: error: [SYSTEM] DEFAULT_STYLE must be written <<name>>, found \"BODY\"",
            "1 error, 0 warnings"}},
        {"check --form " + b + "no-system.frm", 1, {
            b + "no-system.frm: error: the form file has no [SYSTEM] section",
            b + "no-system.frm: warning: no [SYSTEM] section; [system] (line 2) differs from it only in letter case or blanks",
            "1 error, 1 warning"}},
        {"check --form " + b + "before-header.frm", 1, {
            b + "before-header.frm:2: error: a data line before the first [section] header",
            "1 error, 0 warnings"}},
        // The shipped example is clean, laid out and inline; after -- every argument is a text file.
        {"check --form examples/notice.frm --section NOTICE -- examples/notice.txt examples/inline.txt", 0, {
            "0 errors, 0 warnings"}},
        {"check --form examples/notice.frm -- --text", 2, {}, "pagewright: cannot open text file '--text': No such file or directory\n"},
        // Line breaks and control characters a text puts into a quoted tag are shown escaped.
        {"check --form examples/notice.frm --text '<LB>a<b\nc>d<LE>' --text 'A<T>B<\x1b[31m>'", 1, {
            "examples/notice.frm: error: request 0: text, offset 5: \"<b\\nc>\" inside a list; a list item can only be followed by <T> or <LE>",
            "examples/notice.frm: warning: request 1: text, offset 5: \"<\\x1b[31m>\" is no markup, so tokenizing stops here: the rest of the text, markers included, is one paragraph",
            "1 error, 1 warning"}},
        // A form that can be read only once is read once, for every text; -: standard input.
        {"check --form /dev/stdin --section NOTICE --text-file examples/notice.txt --text A", 1, {
            "/dev/stdin:57: error: request 1: section [NOTICE], line 5: a text slot needs a paragraph from the text, but the text has no runs left",
            "1 error, 0 warnings"}, "", notice},
        {"generate --form - --section NOTICE --text A --text B", 1, {"", ""},
            "pagewright: request 0: <stdin>:57: section [NOTICE], line 5: a text slot needs a paragraph from the text, but the text has no runs left\n"
            "pagewright: request 1: <stdin>:57: section [NOTICE], line 5: a text slot needs a paragraph from the text, but the text has no runs left\n", notice},
        // Where the pages go, as generate will find it.
        {"check --form -", 1, {"<stdin>:3: error: [SYSTEM] HTML_DEST_DIR \"/nonexistent/pages\" does not exist, so no page can be written; create it", "1 error, 0 warnings"}, "", system + "/nonexistent/pages"},
        {"check --form -", 1, {"<stdin>:3: error: [SYSTEM] HTML_DEST_DIR \"pages\" does not exist, so no page can be written; create it (it is relative to the current directory, not the form file's folder)", "1 error, 0 warnings"}, "", system + "pages"},
        {"check --form -", 1, {"<stdin>:3: error: [SYSTEM] HTML_DEST_DIR \"/etc/passwd\" is not a directory, so no page can be written there; name the directory pages should go to", "1 error, 0 warnings"}, "", system + "/etc/passwd"},
        {"check --form -", 1, {"<stdin>:3: error: [SYSTEM] HTML_DEST_DIR \"/proc/self\" is not writable, so no page can be written there; make it writable or name another directory", "1 error, 0 warnings"}, "", system + "/proc/self"},
        // A ";" cuts the free text of these items.
        {"check --form -", 0, {
            "<stdin>:4: warning: \";\" starts a comment, so the value of [SYSTEM] PIC_SOURCE_DIR loses \";x/\"",
            "<stdin>:7: warning: section [L], line 1: \";\" starts a comment, so this <LITERAL> line loses \"; font-weight:bold\">\"",
            "<stdin>:8: warning: section [L], line 2: \";\" starts a comment, so this <PICTURE> line loses \";b.png\"",
            "<stdin>:10: warning: section [S], line 1: \";\" starts a comment, so this <FONT> line loses \"; Helvetica ; fonts\"",
            "0 errors, 4 warnings"}, "", system + "build/pages\nPIC_SOURCE_DIR = pics;x/\nBACKGROUND_PIC = a.png ; a comment\n[L]\n<LITERAL><p style=\"color:red; font-weight:bold\">\n<PICTURE>a;b.png\n[S]\n<FONT> Arial; Helvetica ; fonts\n"},
        // generate gives the same reasons, on stderr; stdout keeps an empty line per request.
        {"generate --form " + b + "errors.frm --section NOTICE --text-file " + b + "unclosed-list.txt --text A", 1, {"", ""},
            "pagewright: request 0: text, offset 20: a list begun with <LB> is never ended\n"
            "pagewright: request 1: " + b + "errors.frm:13: section [NOTICE], line 3: unknown item tag \"<BULLIST>\"\n"},
        // Overrides go into a copy of the form; messages keep the form's own lines.
        {"generate --form " + b + "errors.frm --section NOTICE --dest-dir build/pages --page-format html5 --text A", 1, {""},
            "pagewright: request 0: " + b + "errors.frm:13: section [NOTICE], line 3: unknown item tag \"<BULLIST>\"\n"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const Output o = RunCommand(c.args, c.in);
        std::string expected;
        for (const std::string& line : c.lines)
            expected += line + "\n";
        EXPECT_EQ(c.status, o.status) << c.args;
        EXPECT_EQ(expected, o.out) << c.args;
        EXPECT_EQ(c.err, o.err) << c.args;
    }
}

} // namespace
