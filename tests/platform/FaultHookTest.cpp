// The write jail that keeps fuzzed form files from writing or deleting outside a scratch
// directory: only the last path component survives, "/" and "\" alike, and never as "." or "..".
#include <gtest/gtest.h>

#include "platform/faults.h"
#include "platform/textfile.h"
#include "tests/support/TestSupport.h"

namespace {

struct JailCase {
    const char* szPath;
    const char* szName; // the file's name inside the jail
};

class WriteJail : public ::testing::TestWithParam<JailCase> {
protected:
    ~WriteJail() override { platform::testing::ClearFaults(); }
    testsupport::TempDir m_jail;
};

TEST_P(WriteJail, CreatesAndRemovesOnlyInsideTheJail) {
    platform::testing::SetWriteJail(m_jail.Path().string());
    // The jail joins with "/", which every system takes.
    const std::string strInside = m_jail.Path().string() + "/" + GetParam().szName;
    EXPECT_EQ(strInside, platform::testing::JailedPath(GetParam().szPath));
    platform::TextFileWriter file;
    ASSERT_TRUE(file.Create(GetParam().szPath));
    file.WriteString("x");
    file.Close();
    EXPECT_EQ("x", testsupport::ReadFile(strInside));
    platform::RemoveFile(GetParam().szPath);
    EXPECT_FALSE(testsupport::FileExists(strInside));
    EXPECT_TRUE(testsupport::ListFiles(m_jail.Path().string()).empty());
}

INSTANTIATE_TEST_SUITE_P(Paths, WriteJail,
                         ::testing::Values(JailCase{"/etc/passwd-pagewright", "passwd-pagewright"},
                                           JailCase{"C:\\out\\HTML1.htm", "HTML1.htm"},
                                           JailCase{"../../up.htm", "up.htm"},
                                           JailCase{"dir/..", "_"}, JailCase{"dir\\", "_"},
                                           JailCase{"plain.htm", "plain.htm"}),
                         [](const auto& info) { return "Path" + std::to_string(info.index); });

TEST(WriteJailLifted, PathsAreUsedAsGiven) {
    platform::testing::SetWriteJail("");
    EXPECT_EQ("/a/b.htm", platform::testing::JailedPath("/a/b.htm"));
}

} // namespace
