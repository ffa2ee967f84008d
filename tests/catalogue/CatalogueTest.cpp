// A catalogue of bad and odd inputs, each run as one request through the generator object, with
// the outcome a host must see: a page with exactly this body, or no page and the empty name.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "platform/faults.h"
#include "tests/support/Host.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::WriteFile;

// Text built from pieces, so that a row can stand for megabytes without holding them: head,
// then piece repeated nRepeat times, then tail. "$DIR" and "$DEST" in head and tail stand for
// the test's directory and the destination directory in it.
struct Blob {
    std::string head{};
    std::string piece{};
    std::size_t nRepeat = 0;
    std::string tail{};
};

// One string argument of GenerateHTML: null, UTF-16 as given, or a blob.
struct Arg {
    Blob blob{};
    bool bNull = false;
    std::u16string wide{};
};

enum class Outcome {
    kNoPage,
    kPage,       // the page's body is exactly body
    kPageAround, // the body begins with body.head and ends with body.tail
};

struct BadInput {
    const char* szName;
    Arg form; // the form file's bytes, written to $DIR/form.frm, unless path is given
    Arg text;
    Arg section;
    Outcome outcome;
    Blob body{};
    std::optional<Arg> path{}; // the form path passed, when not $DIR/form.frm
    bool bCreateFails = false;
    bool bOpenFails = false;
};

constexpr std::size_t kMegabyte = 1024 * 1024;
#ifdef PAGEWRIGHT_HUGE_TEXT
constexpr std::size_t kHugeText = 100 * kMegabyte;
#else
// Sanitizer builds: the same row at a size they run in seconds.
constexpr std::size_t kHugeText = 8 * kMegabyte;
#endif

Blob B(std::string text) {
    return {std::move(text), "", 0, ""};
}
Arg A(std::string text) {
    return {B(std::move(text))};
}
Arg Repeat(std::string head, std::string piece, std::size_t n, std::string tail = "") {
    return {{std::move(head), std::move(piece), n, std::move(tail)}};
}
const Arg kNull{{}, true};

const std::string kSystem = "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=$DEST\n";
const std::string kPictures = kSystem + "PIC_SOURCE_DIR=P/\n[LAYOUT]\n<PICTURE>";

const BadInput kCatalogue[] = {
    // Form paths
    {"MissingFormFile",
     A(kSystem),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {},
     A("$DIR/none.frm")},
    {"FormPathIsADirectory", A(kSystem), A("Alpha"), A("LAYOUT"), Outcome::kNoPage, {}, A("$DEST")},
    {"UnreadableFormFile",
     A(kSystem),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {},
     {},
     false,
     true},
    {"NullFormPath", A(kSystem), A("Alpha"), A("LAYOUT"), Outcome::kNoPage, {}, kNull},
    {"EmptyFormPath", A(kSystem), A("Alpha"), A("LAYOUT"), Outcome::kNoPage, {}, A("")},
    {"FormPathIsAnEmptyDevice",
     A(kSystem),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {},
     A("/dev/null")},
    // One endless line: reading it would not end before memory does.
    {"FormPathIsAnEndlessDevice",
     A(kSystem),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {},
     A("/dev/zero")},
    {"BlankFormPath", A(kSystem), A("Alpha"), A("LAYOUT"), Outcome::kNoPage, {}, A(" \t ")},
    {"FormPathWithLoneSurrogate",
     A(kSystem),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {},
     Arg{{}, false, u"\xD800.frm"}},
    // Form file contents
    {"BinaryGarbageForm",
     Repeat("", std::string("\x01\xff\x00\x7f garbage\n", 13), 5000),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {}},
    {"MegabyteSingleLineForm",
     Repeat("", "x", kMegabyte),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {}},
    {"MegabyteSectionHeader", Repeat("[", "S", kMegabyte, "]\n" + kSystem), A("Alpha"), A("LAYOUT"),
     Outcome::kPage, B("<p>Alpha</p>")},
    {"DataBeforeFirstHeader",
     A("KEY=1\n" + kSystem),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {}},
    {"HugeLayoutSection",
     Repeat(kSystem + "[LAYOUT]\n", "<NEW_LINE>\n", 100000),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kPage,
     {"", "<BR>", 100000, ""}},
    {"KeysOfEqualsOnly",
     A("[SYSTEM]\n=\n==\n= <<>>\nHTML_DEST_DIR=$DEST\n"),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {}},
    {"EmptyDefaultStyle",
     A("[SYSTEM]\nDEFAULT_STYLE=\nHTML_DEST_DIR=$DEST\n"),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {}},
    {"ThreeCharacterDefaultStyle",
     A("[SYSTEM]\nDEFAULT_STYLE=<<>\nHTML_DEST_DIR=$DEST\n"),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {}},
    {"EmptyFormFile", A(""), A("Alpha"), A("LAYOUT"), Outcome::kNoPage, {}},
    {"CrLfLineEnds", A("[SYSTEM]\r\nDEFAULT_STYLE=<<>>\r\nHTML_DEST_DIR=$DEST\r\n"), A("Alpha"),
     A("LAYOUT"), Outcome::kPage, B("<p>Alpha</p>")},
    {"NulInsideDefaultStyle",
     A(std::string("[SYSTEM]\nDEFAULT_STYLE=<<>>\0x\nHTML_DEST_DIR=$DEST\n", 48)),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {}},
    // Destination directories
    {"DestinationMissing",
     A("[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=$DIR/nowhere\n"),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {}},
    {"DestinationIsAFile",
     A("[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=$DIR/afile\n"),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {}},
    {"DestinationUnwritable", A(kSystem), A("Alpha"), A("LAYOUT"), Outcome::kNoPage, {}, {}, true},
    {"DestinationBlank",
     A("[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=  \t\n"),
     A("Alpha"),
     A("LAYOUT"),
     Outcome::kNoPage,
     {}},
    // Texts
    {"NullText", A(kSystem), kNull, A("LAYOUT"), Outcome::kNoPage, {}},
    {"EmptyText", A(kSystem), A(""), A("LAYOUT"), Outcome::kNoPage, {}},
    {"WhiteSpaceText", A(kSystem), A(" \t\r\n\v\f"), A("LAYOUT"), Outcome::kNoPage, {}},
    {"LoneHighSurrogate",
     A(kSystem),
     {{},
      false,
      u"Alpha\xD800"
      u"Beta"},
     A("LAYOUT"),
     Outcome::kPageAround,
     {"<p>Alpha", "", 0, "Beta</p>"}},
    {"LoneLowSurrogate",
     A(kSystem),
     {{},
      false,
      u"Alpha\xDC00"
      u"Beta"},
     A("LAYOUT"),
     Outcome::kPageAround,
     {"<p>Alpha", "", 0, "Beta</p>"}},
    {"BreaksOnly", A(kSystem), A("<T><T><T>"), A("LAYOUT"), Outcome::kPage, B("<p></p><p></p>")},
    {"EmptyListsOnly", A(kSystem), A("<LB><LE><LB><LE>"), A("LAYOUT"), Outcome::kPage,
     B("<p></p><p></p><p></p>")},
    {"ListEndFirst", A(kSystem), A("<LE><T>"), A("LAYOUT"), Outcome::kNoPage, {}},
    {"ListBeginOnly", A(kSystem), A("<LB>"), A("LAYOUT"), Outcome::kNoPage, {}},
    {"UnclosedNameAfterBreak", A(kSystem), A("<<A>>x<T><<B"), A("LAYOUT"), Outcome::kNoPage, {}},
    {"RepeatedOpeners",
     A(kSystem),
     Repeat("", "<<", 50000),
     A("LAYOUT"),
     Outcome::kPage,
     {"<p>", "<<", 50000, "</p>"}},
    {"RepeatedClosers",
     A(kSystem),
     Repeat("", ">>", 50000),
     A("LAYOUT"),
     Outcome::kPage,
     {"<p>", ">>", 50000, "</p>"}},
    {"OpenersThenClosers",
     A(kSystem),
     Repeat(std::string(100000, '<'), ">>", 50000),
     A("LAYOUT"),
     Outcome::kPage,
     {"<p>", ">>", 49999, "</p>"}},
    {"ClosersThenOpeners",
     A(kSystem),
     Repeat(std::string(100000, '>'), "<<", 50000),
     A("LAYOUT"),
     Outcome::kPage,
     {"<p>" + std::string(100000, '>'), "<<", 50000, "</p>"}},
    {"HugeText",
     A(kSystem),
     Repeat("", "a", kHugeText),
     A("LAYOUT"),
     Outcome::kPage,
     {"<p>", "a", kHugeText, "</p>"}},
    // Section names
    {"NullSectionFindsTheEmptyName", A(kSystem + "[]\n<LINE>\n<BUL_LIST>\n"), A("<LB>Alpha<LE>"),
     kNull, Outcome::kPage, B("<hr><UL><LI>Alpha</UL>")},
    {"EmptySectionFindsTheEmptyName", A(kSystem + "[]\n<NEW_LINE>\n"), A("Alpha"), A(""),
     Outcome::kPage, B("<BR>")},
    {"MegabyteSectionName", A(kSystem), A("Alpha"), Repeat("", "S", kMegabyte), Outcome::kPage,
     B("<p>Alpha</p>")},
    // Picture names with ":\" and ":/" in odd places
    {"PictureDriveMarkAtStart", A(kPictures + ":\\x.gif\n"), A("Alpha"), A("LAYOUT"),
     Outcome::kPage, B("<p><img src=file:P/:\\x.gif></p>")},
    {"PictureWithDrive", A(kPictures + "a:\\x.gif\n"), A("Alpha"), A("LAYOUT"), Outcome::kPage,
     B("<p><img src=file:a:\\x.gif></p>")},
    {"PictureOnNetworkShare", A(kPictures + "\\\\server\\x.gif\n"), A("Alpha"), A("LAYOUT"),
     Outcome::kPage, B("<p><img src=file:P/\\\\server\\x.gif></p>")},
    {"PictureMarkAtEnd", A(kPictures + "x.gif:\\\n"), A("Alpha"), A("LAYOUT"), Outcome::kPage,
     B("<p><img src=file:x.gif:\\></p>")},
    {"PictureSlashMarkFirstThenDriveMark", A(kPictures + ":/:\\y\n"), A("Alpha"), A("LAYOUT"),
     Outcome::kPage, B("<p><img src=file::/:\\y></p>")},
    {"PictureWithoutName", A(kPictures + "\n"), A("Alpha"), A("LAYOUT"), Outcome::kPage,
     B("<p><img src=file:P/></p>")},
};

class CatalogueTest : public ::testing::TestWithParam<BadInput> {
protected:
    CatalogueTest() {
        std::filesystem::create_directory(m_dest);
        WriteFile(m_dir.File("afile"), "not a directory");
    }
    ~CatalogueTest() override { platform::testing::ClearFaults(); }

    std::string Expand(std::string s) const {
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{"$DEST", m_dest}, {"$DIR", m_dir.Path()}}) {
            for (std::size_t at; (at = s.find(from)) != std::string::npos;)
                s.replace(at, from.size(), to);
        }
        return s;
    }
    std::string Build(const Blob& blob) const {
        std::string s = Expand(blob.head);
        s.reserve(s.size() + blob.piece.size() * blob.nRepeat + blob.tail.size());
        for (std::size_t i = 0; i < blob.nRepeat; ++i)
            s += blob.piece;
        return s + Expand(blob.tail);
    }
    testsupport::Bstr MakeArg(const Arg& arg) const {
        if (arg.bNull)
            return {nullptr, &SysFreeString};
        if (!arg.wide.empty())
            return testsupport::MakeBstr(arg.wide);
        return testsupport::MakeBstr(Build(arg.blob).c_str());
    }

    testsupport::TempDir m_dir;
    const std::string m_dest = m_dir.File("out");
};

TEST_P(CatalogueTest, AnswersAsDocumented) {
    const BadInput& row = GetParam();
    const std::string strFormPath = m_dir.File("form.frm");
    WriteFile(strFormPath, Build(row.form.blob));
    if (row.bCreateFails)
        platform::testing::FailFileOps(platform::testing::FileOp::kCreate, 1, EACCES);
    if (row.bOpenFails)
        platform::testing::FailFileOps(platform::testing::FileOp::kOpenRead, 1, EACCES);

    testsupport::Host host;
    const testsupport::Bstr path =
        row.path ? MakeArg(*row.path) : testsupport::MakeBstr(strFormPath.c_str());
    ASSERT_EQ(0, host.Generate(MakeArg(row.text), path, MakeArg(row.section)));
    ASSERT_TRUE(host.WaitFinished());
    const std::string strName = host.Name(0);

    if (row.outcome == Outcome::kNoPage) {
        EXPECT_EQ("", strName);
        EXPECT_TRUE(testsupport::ListFiles(m_dest).empty());
        return;
    }
    ASSERT_NE("", strName);
    const std::string strPage = testsupport::ReadFile(strName);
    const std::string strEnd = "</body></html>";
    ASSERT_TRUE(strPage.starts_with(testsupport::kPlainHead));
    ASSERT_TRUE(strPage.ends_with(strEnd));
    const std::string strBody =
        strPage.substr(testsupport::kPlainHead.size(),
                       strPage.size() - testsupport::kPlainHead.size() - strEnd.size());
    if (row.outcome == Outcome::kPage) {
        // Compare without printing megabytes when they differ.
        const std::string strExpected = Build(row.body);
        EXPECT_EQ(strExpected.size(), strBody.size());
        EXPECT_TRUE(strExpected == strBody) << strBody.substr(0, 200);
    } else {
        EXPECT_TRUE(strBody.starts_with(row.body.head)) << strBody;
        EXPECT_TRUE(strBody.ends_with(row.body.tail)) << strBody;
    }
    EXPECT_EQ(S_OK, host.Get()->Reset());
    EXPECT_FALSE(testsupport::FileExists(strName));
}

INSTANTIATE_TEST_SUITE_P(BadInputs, CatalogueTest, ::testing::ValuesIn(kCatalogue),
                         [](const auto& info) { return std::string(info.param.szName); });

} // namespace
