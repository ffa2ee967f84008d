// The platform layer the component stands on: BSTRs, 8-bit/UTF-16 conversion, text files.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/strconv.h"
#include "platform/textfile.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(Bstr, IsLengthPrefixedAndZeroTerminated) {
    const OLECHAR text[] = u"ab\0cd";
    BSTR b = SysAllocStringLen(text, 5);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(5u, SysStringLen(b)); // an embedded zero does not end it
    std::uint32_t nBytes = 0;
    std::memcpy(&nBytes, reinterpret_cast<const char*>(b) - sizeof nBytes, sizeof nBytes);
    EXPECT_EQ(10u, nBytes);
    EXPECT_EQ(u'\0', b[5]);
    EXPECT_EQ(std::u16string(text, 5), std::u16string(b, 5));
    SysFreeString(b);

    b = SysAllocString(u"xyz");
    EXPECT_EQ(3u, SysStringLen(b));
    EXPECT_EQ("xyz", platform::BstrToAnsi(b));
    SysFreeString(b);

    EXPECT_EQ(0u, SysStringLen(nullptr));
    EXPECT_EQ("", platform::BstrToAnsi(nullptr));
    b = platform::BstrFromAnsi("");
    ASSERT_NE(nullptr, b); // empty, not null
    EXPECT_EQ(0u, SysStringLen(b));
    SysFreeString(b);
}

TEST(StrConv, ConvertsBothWaysAndKeepsInvalidBytes) {
    struct Case {
        const char* name;
        std::string ansi;
        std::u16string utf16;
    };
    const std::vector<Case> cases = {
        {"empty", "", u""},
        {"ascii", "Hello <T>", u"Hello <T>"},
        {"two bytes", "Gr\xC3\xBC\xC3\x9F", u"Gr\u00FC\u00DF"},
        {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
        {"four bytes", "\xF0\x9D\x84\x9E", u"\U0001D11E"},
        {"lone continuation", "a\x80z", u"a\xDC80z"},
        {"byte ff", "\xFF", u"\xDCFF"},
        {"cut short",
         "\xE2\x82"
         "A",
         u"\xDCE2\xDC82"
         u"A"},
        {"overlong", "\xC0\xAF", u"\xDCC0\xDCAF"},
        {"encoded surrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.utf16, platform::AnsiToUtf16(c.ansi));
        EXPECT_EQ(c.ansi, platform::Utf16ToAnsi(c.utf16));
    }
}

TEST(StrConv, OtherUnpairedSurrogatesBecomeReplacementCharacter) {
    const std::string kReplacement = "\xEF\xBF\xBD";
    EXPECT_EQ("a" + kReplacement + "b", platform::Utf16ToAnsi(u"a\xD800"
                                                              u"b"));
    EXPECT_EQ(kReplacement, platform::Utf16ToAnsi(u"\xDC7F"));
    EXPECT_EQ(kReplacement + kReplacement, platform::Utf16ToAnsi(u"\xDBFF\xDBFF"));
}

std::vector<std::string> ReadLines(const std::string& path) {
    platform::TextFileReader reader;
    EXPECT_TRUE(reader.Open(path));
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line))
        lines.push_back(line);
    return lines;
}

TEST(TextFileReader, SplitsLines) {
    const std::string longLine(1 << 20, 'x');
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"empty file", "", {}},
        {"CR before LF dropped", "one\r\ntwo\n", {"one", "two"}},
        {"other CR kept", "a\rb\nc\r\r\n\r", {"a\rb", "c\r", "\r"}},
        {"last line without end", "one\nlast", {"one", "last"}},
        {"blank lines", "\n\n", {"", ""}},
        {"very long line", longLine + "\nend", {longLine, "end"}},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::WriteFile(dir.File("in.txt"), c.bytes);
        EXPECT_EQ(c.lines, ReadLines(dir.File("in.txt")));
    }
}

TEST(TextFileReader, OpenFailsForMissingFileOrDirectory) {
    testsupport::TempDir dir;
    platform::TextFileReader reader;
    int nError = 0;
    EXPECT_FALSE(reader.Open(dir.File("missing"), &nError));
    EXPECT_EQ(ENOENT, nError);
    EXPECT_FALSE(reader.Open(dir.Path().string()));
}

TEST(TextFileWriter, WritesExactlyWhatItIsGivenIntoAFreshFile) {
    testsupport::TempDir dir;
    const std::string path = dir.File("out.htm");
    testsupport::WriteFile(path, "old content that is longer");
    platform::TextFileWriter writer;
    ASSERT_TRUE(writer.Create(path));
    writer.WriteString("<p>a\nb\r\n");
    writer.WriteString("</p>");
    writer.Close();
    EXPECT_EQ("<p>a\nb\r\n</p>", testsupport::ReadFile(path));
}

TEST(RemoveFile, DeletesAFileAndThrowsWhenThereIsNone) {
    testsupport::TempDir dir;
    const std::string path = dir.File("page.htm");
    testsupport::WriteFile(path, "x");
    platform::RemoveFile(path);
    EXPECT_FALSE(testsupport::FileExists(path));
    try {
        platform::RemoveFile(path);
        ADD_FAILURE() << "no exception for a missing file";
    } catch (const platform::FileException& e) {
        EXPECT_EQ(platform::FileException::kRemove, e.GetCause());
        EXPECT_EQ(ENOENT, e.GetOsError());
    }
}

} // namespace
