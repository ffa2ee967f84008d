// The pagewright command as a script runs it: one output line per request and an exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "platform/registry.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::FileExists, testsupport::ReadFile, testsupport::WriteFile;

class PagewrightCommandTest : public ::testing::Test {
protected:
    // Runs the command in the temporary directory with input on stdin; gives the exit status.
    int Run(const std::string& args, const std::string& input = "") {
        WriteFile(m_dir + "/form.frm", "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" + m_dir);
        WriteFile(m_dir + "/in", input);
        const int status = std::system((m_cd + args + " <in >out 2>err").c_str());
        std::tie(m_out, m_err) = std::pair(ReadFile(m_dir + "/out"), ReadFile(m_dir + "/err"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    testsupport::TempDir m_tmp;
    const std::string m_dir = m_tmp.Path().string();
    const std::string m_cd = "cd '" + m_dir + "' && '" PAGEWRIGHT_EXE "' ";
    std::string m_out, m_err;
};

TEST_F(PagewrightCommandTest, UsageErrorsExitWithTwoAndSayWhyOnStderrOnly) {
    // clang-format off
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "Try 'pagewright --help'."}, {"frobnicate", ""}, {"generate", "Try 'pagewright generate --help'."},
        {"generate --section OTHER --text A", ""}, {"generate --form form.frm --text A", ""},
        {"generate --form form.frm --section OTHER --text", ""}, {"generate --form form.frm --section OTHER --bogus A", ""},
        {"check", "Try 'pagewright check --help'."}, {"check --section S", ""}, {"check --form form.frm --text-file nonexistent", ""},
        {"generate --form --section OTHER --text A", "option '--form' needs a value, but the next argument '--section' is an option"},
        {"generate --form form.frm --section OTHER NOTICE", "unexpected argument 'NOTICE'"},
        {"check --form form.frm --registry reg", "'--registry' is not an option of check"},
        {"check --form - --text-file -", "standard input can be read only once"},
        {"generate --form form.frm --section OTHER --dest-dir none --text A", "--dest-dir 'none' does not exist"},
        {"generate --form form.frm --section OTHER --dest-dir 'a;b' --text A", "';' cannot be used"},
        {"generate --form form.frm --section OTHER --page-format html4 --text A", "--page-format must be compatible or html5"},
        {"check --form form.frm --format xml", "--format must be text or json"},
        {"generate --form form.frm --section OTHER --text-escaping HTML --text A", "--text-escaping must be html or none"},
        {"check --form form.frm --text-escaping html", "'--text-escaping' is not an option of check"},
    };
    // clang-format on
    for (const auto& [args, message] : cases) {
        EXPECT_EQ(2, Run(args)) << args;
        EXPECT_TRUE(m_out.empty() && !m_err.empty()) << args << "\n" << m_out;
        EXPECT_NE(m_err.find(message), std::string::npos) << args << "\n" << m_err;
    }
}

TEST_F(PagewrightCommandTest, LostOutputFailsAndOptionsOverrideTheForm) {
    const std::string lost =
        m_cd + "generate --form form.frm --section S --text A >/dev/full 2>err";
    EXPECT_EQ(1, std::system(lost.c_str()) >> 8);
    EXPECT_NE(ReadFile(m_dir + "/err").find("cannot write to standard output"), std::string::npos);
    std::filesystem::create_directory(m_dir + "/sub");
    EXPECT_EQ(0, Run("generate --form form.frm --section S --dest-dir sub --text A")) << m_err;
    EXPECT_TRUE(m_out.starts_with("sub/HTML") &&
                FileExists(m_dir + "/" + m_out.substr(0, m_out.size() - 1)))
        << m_out;
    // --page-format switches the page for this run only; the form keeps making the old page.
    EXPECT_EQ(0, Run("generate --form form.frm --section S --dest-dir sub --page-format html5 "
                     "--text A"))
        << m_err;
    EXPECT_TRUE(ReadFile(m_dir + "/" + m_out.substr(0, m_out.size() - 1))
                    .starts_with("<!DOCTYPE html>\n<html lang=\"en\">"))
        << m_out;
    EXPECT_EQ(0, Run("generate --form form.frm --section S --text A")) << m_err;
    EXPECT_TRUE(ReadFile(m_out.substr(0, m_out.size() - 1)).starts_with("<html><head>")) << m_out;
    // --text-escaping escapes this run's texts, or (none) leaves them raw under a form that
    // asks for escaping.
    const auto page = [&] { return ReadFile(m_out.substr(0, m_out.size() - 1)); };
    EXPECT_EQ(0, Run("generate --form form.frm --section S --text-escaping html --text 'a<b'"));
    EXPECT_TRUE(page().ends_with("<p>a&lt;b</p></body></html>")) << page();
    WriteFile(m_dir + "/html.frm",
              "[SYSTEM]\nDEFAULT_STYLE=<<>>\nTEXT_ESCAPING=HTML\nHTML_DEST_DIR=" + m_dir);
    EXPECT_EQ(0, Run("generate --form html.frm --section S --text-escaping=none --text 'a<b'"));
    EXPECT_TRUE(page().ends_with("<p>a<b</p></body></html>")) << page();
}

TEST_F(PagewrightCommandTest, PagePathFromStandardInputThenEmptyLineForRequestWithoutPage) {
    const char* args = "generate --form form.frm --section OTHER --text-file - --text '<LE>B'";
    EXPECT_EQ(1, Run(args, "From stdin\n")) << m_err;
    const std::string path = m_out.substr(0, m_out.find('\n'));
    EXPECT_EQ(path + "\n\n", m_out);
    EXPECT_TRUE(path.starts_with(m_dir + "/HTML") && path.ends_with("202.htm")) << path;
    EXPECT_TRUE(ReadFile(path).ends_with("<p>From stdin</p></body></html>"));
}

TEST_F(PagewrightCommandTest, HelpExitsWithZero) {
    for (const char* args : {"--help", "generate --help", "check --help"}) {
        EXPECT_EQ(0, Run(args)) << args;
        EXPECT_NE(std::string::npos, m_out.find(args[0] == '-' ? "check" : "Usage")) << args;
    }
}

TEST_F(PagewrightCommandTest, CreatesTheGeneratorThroughTheRegistryItIsGiven) {
    // An empty registry gets the module beside the command registered into it.
    const char* args = "generate --form form.frm --section OTHER --registry reg --text A";
    EXPECT_EQ(0, Run(args)) << m_err;
    EXPECT_TRUE(m_out.starts_with(m_dir + "/HTML")) << m_out;
    platform::registry::SetRegistryFile(m_dir + "/reg");
    std::string strModule;
    ASSERT_EQ(platform::registry::GetString(
                  "CLSID\\{9E2A6F31-0C4D-4A8E-B5F7-13C8D2E6A907}\\InprocServer32", "", strModule),
              ERROR_SUCCESS);
    EXPECT_TRUE(strModule.ends_with("/libpagewright.so")) << strModule;

    // A registry that names a module that is not there: no object, no page.
    ASSERT_EQ(platform::registry::SetString(
                  "CLSID\\{9E2A6F31-0C4D-4A8E-B5F7-13C8D2E6A907}\\InprocServer32", "",
                  m_dir + "/gone.so"),
              ERROR_SUCCESS);
    EXPECT_EQ(1, Run(args));
    EXPECT_TRUE(m_out.empty()) << m_out;
    EXPECT_NE(m_err.find("cannot create the generator object"), std::string::npos) << m_err;
    EXPECT_NE(m_err.find("names the library '" + m_dir + "/gone.so'"), std::string::npos) << m_err;

    // A file that is no registry, a folder, a folder that is missing: refused, nothing written.
    WriteFile(m_dir + "/my.frm", "[SYSTEM]\n");
    for (const char* reg : {"my.frm", "sub", "none/reg"}) {
        std::filesystem::create_directory(m_dir + "/sub");
        EXPECT_EQ(2, Run(std::string("generate --form form.frm --section S --registry ") + reg +
                         " --text A"));
        EXPECT_NE(m_err.find(std::string("the registry file '") + reg + "'"), std::string::npos)
            << m_err;
    }
    EXPECT_EQ(ReadFile(m_dir + "/my.frm"), "[SYSTEM]\n");
    EXPECT_FALSE(FileExists(m_dir + "/my.frm.lock") || std::filesystem::exists(m_dir + "/none"));

    // Without its library beside it (and none installed), the command says where it looked.
    std::filesystem::copy_file(PAGEWRIGHT_EXE, m_dir + "/pagewright");
    const std::string command = "cd '" + m_dir + "' && PAGEWRIGHT_REGISTRY= XDG_DATA_HOME=data " +
                                "./pagewright generate --form form.frm --section S --text A 2>err";
    EXPECT_EQ(1, std::system(command.c_str()) >> 8);
    EXPECT_NE(ReadFile(m_dir + "/err").find("libpagewright.so.1' where an installed command looks"),
              std::string::npos)
        << ReadFile(m_dir + "/err");
}

} // namespace
