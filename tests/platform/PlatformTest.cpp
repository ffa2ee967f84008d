// The platform layer: 8-bit text that is not UTF-8, and text files read line by line.
#include <gtest/gtest.h>

#include "platform/strconv.h"
#include "platform/textfile.h"
#include "tests/support/TestSupport.h"

namespace {

// Bytes that are no UTF-8 must come back unchanged, whatever they turn into on the way.
TEST(StrConv, InvalidBytesSurviveTheTripToUtf16AndBack) {
    for (const std::string bytes : {"a\x80z", "\xFF", "\xE2\x82\x41", "\xC0\xAF", "\xED\xA0\x80",
                                    "\xF4\x90\x80\x80", "Gr\xC3\xBC\xC3"})
        EXPECT_EQ(bytes, platform::Utf16ToAnsi(platform::AnsiToUtf16(bytes)));
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

} // namespace
