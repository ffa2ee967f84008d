// The pagewright command, run as a script runs it: arguments in, one line per request out,
// and an exit status that tells whether every request made a page.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

const std::string kHead =
    "<html><head><title>User Notification</title></head><body bgcolor=\"#FFFFFF\">";

std::string Quote(const std::string& s) {
    std::string quoted = "'";
    for (char c : s)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct Outcome {
    int nStatus = -1;
    std::string strOut;
    std::string strErr;
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = strOut.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(strOut.substr(start, end - start));
        EXPECT_EQ(start, strOut.size()) << "output does not end with a line end";
        return lines;
    }
};

class PagewrightCommandTest : public ::testing::Test {
protected:
    PagewrightCommandTest() {
        std::filesystem::create_directory(m_dest);
        testsupport::WriteFile(m_form,
                               "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" + m_dest + "\n");
    }

    // args go to the shell as written; stdinText is what the command reads on standard input.
    Outcome Run(const std::string& args, const std::string& stdinText = "") const {
        testsupport::WriteFile(m_tmp.File("stdin"), stdinText);
        const std::string command = "cd " + Quote(m_tmp.Path().string()) + " && " +
                                    Quote(PAGEWRIGHT_EXE) + " " + args + " <stdin 2>stderr";
        Outcome outcome;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) {
            ADD_FAILURE() << "cannot run " << command;
            return outcome;
        }
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            outcome.strOut.append(buffer, n);
        const int status = ::pclose(pipe);
        outcome.nStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.strErr = testsupport::ReadFile(m_tmp.File("stderr"));
        return outcome;
    }

    std::string Generate() const {
        return "generate --form " + Quote(m_form) + " --section OTHER ";
    }

    testsupport::TempDir m_tmp;
    std::string m_dest = m_tmp.File("pages");
    std::string m_form = m_tmp.File("form.frm");
};

TEST_F(PagewrightCommandTest, OneRequestPerTextInCommandLineOrder) {
    testsupport::WriteFile(m_tmp.File("beta.txt"), "One\r\nB\xC3\xA9ta\n");
    const Outcome outcome = Run(Generate() + "--text Alpha --text-file beta.txt --text-file - " +
                                    "--text 'Delta <T>Epsilon'",
                                "Gamma\n");
    EXPECT_EQ(0, outcome.nStatus) << outcome.strErr;
    const std::vector<std::string> bodies = {"<p>Alpha</p>",
                                             "<p>One\r\nB\xC3\xA9ta</p>", // file bytes as they are
                                             "<p>Gamma</p>", "<p>Delta </p><p>Epsilon</p>"};
    const std::vector<std::string> lines = outcome.Lines();
    ASSERT_EQ(bodies.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        // The name ends with the request index, framed by the pattern's literal "2"s.
        const std::string suffix = "2" + std::to_string(i) + "2.htm";
        EXPECT_EQ(m_dest + "/HTML", lines[i].substr(0, m_dest.size() + 5));
        ASSERT_GE(lines[i].size(), suffix.size());
        EXPECT_EQ(suffix, lines[i].substr(lines[i].size() - suffix.size()));
        EXPECT_EQ(kHead + bodies[i] + "</body></html>", testsupport::ReadFile(lines[i]));
    }
}

TEST_F(PagewrightCommandTest, RequestWithoutPageGivesEmptyLineAndStatusOne) {
    const Outcome outcome = Run(Generate() + "--text '<LE>Alpha' --text Beta --text ''");
    EXPECT_EQ(1, outcome.nStatus) << outcome.strErr;
    const std::vector<std::string> lines = outcome.Lines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("", lines[0]);
    EXPECT_EQ(kHead + "<p>Beta</p></body></html>", testsupport::ReadFile(lines[1]));
    EXPECT_EQ("", lines[2]);
    EXPECT_EQ(1u, testsupport::ListFiles(m_dest).size());
}

TEST_F(PagewrightCommandTest, UsageErrorsExitWithTwo) {
    const std::string form = Quote(m_form);
    const std::vector<std::string> cases = {
        "",
        "frobnicate",
        "generate",
        "generate --section OTHER --text Alpha",
        "generate --form " + form + " --text Alpha",
        "generate --form " + form + " --section OTHER --text",
        "generate --form " + form + " --section OTHER --bogus Alpha",
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args);
        const Outcome outcome = Run(args);
        EXPECT_EQ(2, outcome.nStatus);
        EXPECT_FALSE(outcome.strErr.empty());
        EXPECT_EQ("", outcome.strOut);
    }
    EXPECT_TRUE(testsupport::ListFiles(m_dest).empty());
}

TEST_F(PagewrightCommandTest, HelpExplainsTheCommand) {
    struct Case {
        const char* args;
        std::vector<const char*> words;
    };
    const std::vector<Case> cases = {
        {"--help", {"generate"}},
        {"generate --help", {"--form", "--section", "--text", "--text-file"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome outcome = Run(c.args);
        EXPECT_EQ(0, outcome.nStatus);
        for (const char* word : c.words)
            EXPECT_NE(std::string::npos, outcome.strOut.find(word)) << word;
    }
}

TEST_F(PagewrightCommandTest, ShippedExampleMakesAPage) {
    // The example's form names its directories relative to where the command runs.
    std::filesystem::create_directories(m_tmp.Path() / "build" / "pages");
    const std::string examples = PAGEWRIGHT_EXAMPLES_DIR;
    const Outcome outcome = Run("generate --form " + Quote(examples + "/notice.frm") +
                                " --section NOTICE --text-file " + Quote(examples + "/notice.txt"));
    EXPECT_EQ(0, outcome.nStatus) << outcome.strErr;
    const std::vector<std::string> lines = outcome.Lines();
    ASSERT_EQ(1u, lines.size());
    const std::filesystem::path page = m_tmp.Path() / lines[0];
    EXPECT_EQ((m_tmp.Path() / "build" / "pages").string(), page.parent_path().string());
    const std::string html = testsupport::ReadFile(page.string());
    EXPECT_EQ(0u, html.find("<html><head><title>User Notification</title></head>"
                            "<body BACKGROUND=file:examples/pictures/paper.png>"));
    EXPECT_NE(std::string::npos, html.find("<img src=file:examples/pictures/logo.png>"));
    EXPECT_TRUE(html.ends_with("</body></html>"));
}

} // namespace
