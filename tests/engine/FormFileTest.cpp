// The form file reader: grammar of the file, section and key lookups, and reloading.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/FormFile.h"
#include "tests/support/TestSupport.h"

namespace {

using Lines = std::vector<std::string>;

struct ParseCase {
    const char* name;
    std::string content;
    BOOL expectedLoad;
    std::vector<std::pair<std::string, Lines>> sections; // in file order, repeats included
};

TEST(FormFileReader, ParsesSectionsAndLines) {
    // clang-format off
    const std::vector<ParseCase> cases = {
        {"empty file", "", TRUE, {}},
        {"blanks and comments only", "\n   \n; note\n\t; indented\n", TRUE, {}},
        {"data before first header", "KEY=1\n[A]\nX=1\n[B]\nY=2\n", FALSE, {}},
        {"comment before header", "; top\n[A]\nX=1\n", TRUE, {{"A", {"X=1"}}}},
        {"lines trimmed", "[A]\n \t KEY = v \f\v\n", TRUE, {{"A", {"KEY = v"}}}},
        {"comment cut, rest trimmed", "[A]\nKEY = a ; b=c\n", TRUE, {{"A", {"KEY = a"}}}},
        {"header with comment", "[A] ; about A\nX=1\n", TRUE, {{"A", {"X=1"}}}},
        {"header keeps blanks", "[ A B ]\nX=1\n", TRUE, {{" A B ", {"X=1"}}}},
        {"empty header name", "[]\nX=1\n", TRUE, {{"", {"X=1"}}}},
        {"bracket inside header", "[A]x]\nX=1\n", TRUE, {{"A]x", {"X=1"}}}},
        {"single brackets are data", "[A]\n[\n]\n", TRUE, {{"A", {"[", "]"}}}},
        {"empty sections", "[A]\n[B]\nX=1\n[C]\n", TRUE, {{"A", {}}, {"B", {"X=1"}}, {"C", {}}}},
        {"repeated names", "[A]\nX=1\n[B]\n[A]\nX=2\n", TRUE,
         {{"A", {"X=1"}}, {"B", {}}, {"A", {"X=2"}}}},
        {"crlf, no final line end", "[A]\r\nX=1\r\nY=2", TRUE, {{"A", {"X=1", "Y=2"}}}},
        {"long line", "[A]\n" + std::string(10000, 'x'), TRUE, {{"A", {std::string(10000, 'x')}}}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const std::string path = dir.File("form.frm");
        testsupport::WriteFile(path, c.content);
        CFormFile form;
        ASSERT_EQ(c.expectedLoad, form.Load(path));
        std::vector<std::string> names;
        for (const auto& s : c.sections) {
            const bool bFirstOfName = std::find(names.begin(), names.end(), s.first) == names.end();
            names.push_back(s.first);
            if (!bFirstOfName)
                continue; // only the first section of a name can be found
            const Lines* pLines = form.GetSection(s.first);
            ASSERT_NE(nullptr, pLines) << s.first;
            EXPECT_EQ(s.second, *pLines);
        }
        EXPECT_EQ(names, form.GetSectionNames());
    }
}

TEST(FormFileReader, LooksUpValuesAndSections) {
    testsupport::TempDir dir;
    const std::string path = dir.File("form.frm");
    testsupport::WriteFile(path, "[SYSTEM]\n"
                                 "  DEFAULT_STYLE   =   <<BODY>>   ; the default\n"
                                 "TWICE=first\nEQ=a=b\n=anonymous\nSEMI=left;right\nEMPTY=\n"
                                 "no equals sign\nTWICE=second\n"
                                 "[ PADDED ]\nK=padded\n"
                                 "[]\nK=nameless\n"
                                 "[DUP]\nK=one\n[DUP]\nK=two\nONLY2=x\n"
                                 "[NOLINES]\n");
    CFormFile form;
    ASSERT_EQ(TRUE, form.Load(path));

    // clang-format off
    struct Case { const char* section; const char* key; const char* expected; };
    const std::vector<Case> cases = {
        {"SYSTEM", "DEFAULT_STYLE", "<<BODY>>"}, {" SYSTEM\t", " DEFAULT_STYLE ", "<<BODY>>"},
        {"SYSTEM", "default_style", ""},         {"system", "DEFAULT_STYLE", ""},
        {"SYSTEM", "TWICE", "second"},           {"SYSTEM", "EQ", "a=b"},
        {"SYSTEM", "", "anonymous"},             {"SYSTEM", "SEMI", "left"},
        {"SYSTEM", "EMPTY", ""},                 {"SYSTEM", "MISSING", ""},
        {"SYSTEM", "no equals sign", ""},        {" PADDED ", "K", ""},
        {"PADDED", "K", ""},                     {"", "K", "nameless"},
        {"DUP", "K", "one"},                     {"DUP", "ONLY2", ""},
        {"NOLINES", "K", ""},                    {"ABSENT", "K", ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("[") + c.section + "] " + c.key);
        EXPECT_EQ(c.expected, form.GetValue(c.section, c.key));
    }
    EXPECT_NE(nullptr, form.GetSection(" PADDED "));
    EXPECT_EQ(nullptr, form.GetSection("PADDED"));
    EXPECT_EQ(nullptr, form.GetSection("system"));
    ASSERT_NE(nullptr, form.GetSection("NOLINES"));
    EXPECT_TRUE(form.GetSection("NOLINES")->empty());
}

TEST(FormFileReader, LoadsOncePerPathAndClears) {
    testsupport::TempDir dir;
    const std::string first = dir.File("first.frm");
    const std::string second = dir.File("second.frm");
    testsupport::WriteFile(first, "[A]\nK=1\n");
    testsupport::WriteFile(second, "[B]\nK=2\n");

    CFormFile form;
    EXPECT_EQ("", form.GetPath());
    EXPECT_EQ(FALSE, form.Load("  \t "));
    EXPECT_EQ(FALSE, form.Load(dir.File("missing.frm")));
    EXPECT_TRUE(form.GetSectionNames().empty());

    ASSERT_EQ(TRUE, form.Load("  " + first + "\t"));
    EXPECT_EQ(first, form.GetPath());
    // The same path is not read again, so a changed file goes unnoticed.
    testsupport::WriteFile(first, "[C]\nK=3\n");
    EXPECT_EQ(TRUE, form.Load(first));
    EXPECT_EQ("1", form.GetValue("A", "K"));
    EXPECT_EQ(nullptr, form.GetSection("C"));
    // A blank path changes nothing.
    EXPECT_EQ(FALSE, form.Load(""));
    EXPECT_EQ(first, form.GetPath());
    EXPECT_EQ("1", form.GetValue("A", "K"));
    // Another path replaces the content entirely.
    ASSERT_EQ(TRUE, form.Load(second));
    EXPECT_EQ(std::vector<std::string>{"B"}, form.GetSectionNames());
    EXPECT_EQ("", form.GetValue("A", "K"));

    form.Clear();
    EXPECT_TRUE(form.GetSectionNames().empty());
    EXPECT_EQ(nullptr, form.GetSection("B"));
    EXPECT_EQ(second, form.GetPath());
}

} // namespace
