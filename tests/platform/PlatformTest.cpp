// The platform layer: 8-bit text that is not UTF-8, text files read line by line, and the write
// jail that keeps fuzzed form files from writing or deleting outside a scratch directory.
#include <gtest/gtest.h>

#include "platform/faults.h"
#include "platform/strconv.h"
#include "platform/textfile.h"
#include "tests/support/TestSupport.h"

namespace {

// Bytes that are no UTF-8 must come back unchanged, whatever they turn into on the way.
TEST(StrConv, InvalidBytesSurviveTheTripToUtf16AndBack) {
    for (const std::string bytes : {"a\x80z", "\xFF", "\xE2\x82\x41", "\xC0\xAF", "\xED\xA0\x80",
                                    "\xF4\x90\x80\x80", "Gr\xC3\xBC\xC3"})
        EXPECT_EQ(bytes, platform::Utf16ToAnsi(platform::AnsiToUtf16(bytes)));
    // ASCII goes a word at a time: where a run ends, mid-word, the other bytes must follow in
    // order (what they become depends on the code page), and the ASCII after them too.
    const std::string mixed = "seventeen letters\xC3\xBC\x80 and then thirty-two more of ASCII!";
    const std::u16string wide = platform::AnsiToUtf16(mixed);
    EXPECT_EQ(u"seventeen letters", wide.substr(0, 17));
    EXPECT_EQ(u" and then thirty-two more of ASCII!", wide.substr(wide.size() - 35));
    EXPECT_EQ(mixed, platform::Utf16ToAnsi(platform::AnsiToUtf16(mixed)));
}

TEST(TextFileReader, DropsOnlyTheCarriageReturnBeforeALineFeedAndReadsAnUnendedLastLine) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("in.txt"), "one\r\nc\r\r\na\rb\nlast");
    platform::TextFileReader reader;
    ASSERT_TRUE(reader.Open(dir.File("in.txt")));
    std::vector<std::string> lines;
    for (std::string line; reader.ReadLine(line);)
        lines.push_back(line);
    EXPECT_EQ((std::vector<std::string>{"one", "c\r", "a\rb", "last"}), lines);
}

// The buffer is sized to the file as it was when opened; what is added after the opening is
// read all the same, however long its line.
TEST(TextFileReader, ReadsWhatTheFileGainedAfterItWasOpened) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("in.txt"), "a\nb");
    platform::TextFileReader reader;
    ASSERT_TRUE(reader.Open(dir.File("in.txt")));
    const std::string longLine(100'000, 'x');
    testsupport::WriteFile(dir.File("in.txt"), "a\nb" + longLine + "\nend\n");
    std::vector<std::string> lines;
    for (std::string line; reader.ReadLine(line);)
        lines.push_back(line);
    EXPECT_EQ((std::vector<std::string>{"a", "b" + longLine, "end"}), lines);
}

// Only the last path component survives, "/" and "\\" alike, and never as "." or "..".
// A path given, and the name of the file it makes inside the jail.
using JailCase = std::pair<std::string, std::string>;

class WriteJail : public ::testing::TestWithParam<JailCase> {
protected:
    ~WriteJail() override { platform::testing::ClearFaults(); }
    testsupport::TempDir m_jail;
};

TEST_P(WriteJail, CreatesAndRemovesOnlyInsideTheJail) {
    platform::testing::SetWriteJail(m_jail.Path().string());
    // The jail joins with "/", which every system takes.
    const std::string strInside = m_jail.Path().string() + "/" + GetParam().second;
    platform::TextFileWriter file;
    ASSERT_TRUE(file.Create(GetParam().first));
    file.WriteString("x");
    file.Close();
    EXPECT_EQ("x", testsupport::ReadFile(strInside));
    platform::RemoveFile(GetParam().first);
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

} // namespace
