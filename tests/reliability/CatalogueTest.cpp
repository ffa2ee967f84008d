// Bad and odd inputs that only a request through the generator object shows: null and odd
// BSTRs, huge texts, form files and names, form paths that are no readable file. Each runs as
// one request, with the outcome a host must see: a page with exactly this body, or no page and
// the empty name. (What the conversion rules make of ordinary texts and forms is the engine's
// tables' job.)
#include <optional>

#include "tests/reliability/JobTest.h"

namespace {

using testsupport::WriteFile;

// Text built from pieces, so that a row can stand for megabytes without holding them: head,
// then piece repeated nRepeat times, then tail. "$DIR" and "$DEST" in head and tail stand for
// the test's directory and the destination directory in it.
struct Blob {
    std::string head{}, piece{};
    std::size_t nRepeat = 0;
    std::string tail{};
};
// One string argument of GenerateHTML: null, UTF-16 as given, or a blob.
struct Arg {
    Blob blob{};
    bool bNull = false;
    std::u16string wide{};
};
Arg A(std::string text) {
    return {{std::move(text)}};
}
Arg Repeat(std::string head, std::string piece, std::size_t n, std::string tail = "") {
    return {{std::move(head), std::move(piece), n, std::move(tail)}};
}
const Arg kNull{.bNull = true};
// "Alpha", a lone UTF-16 code unit, "Beta".
Arg AlphaBeta(char16_t c) {
    return {.wide = u"Alpha" + std::u16string(1, c) + u"Beta"};
}

constexpr std::size_t kMB = 1024 * 1024;
#ifdef PAGEWRIGHT_HUGE_TEXT
constexpr std::size_t kHugeText = 100 * kMB;
#else
constexpr std::size_t kHugeText = 8 * kMB; // sanitizer builds: the same row, run in seconds
#endif

const std::string kSystem = "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=$DEST\n";

struct Row {
    const char* name;
    Arg form = A(kSystem); // the bytes of $DIR/form.frm
    Arg text = A("Alpha"), section = A("LAYOUT");
    std::optional<Blob> page{}; // the page's body; none: no page and the empty name
    bool bAround = false;       // the body only begins with page->head and ends with page->tail
    std::optional<Arg> path{};  // the form path passed, when not $DIR/form.frm
};
// Test listings name a row, not its bytes.
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}
const Blob kAlpha{"<p>Alpha</p>"}, kAlphaBeta{"<p>Alpha", "", 0, "Beta</p>"};

const Row kCatalogue[] = {
    // Form paths
    {.name = "MissingFormFile", .path = A("$DIR/none.frm")},
    {.name = "FormPathIsADirectory", .path = A("$DEST")},
    {.name = "NullFormPath", .path = kNull},
    {.name = "EmptyFormPath", .path = A("")},
    {.name = "FormPathIsAnEmptyDevice", .path = A("/dev/null")},
    // One endless line: reading it would not end before memory does.
    {.name = "FormPathIsAnEndlessDevice", .path = A("/dev/zero")},
    {.name = "FormPathWithLoneSurrogate", .path = Arg{.wide = u"\xD800.frm"}},
    // Form file contents
    {.name = "BinaryGarbageForm", .form = Repeat("", {"\x01\xff\x00\x7f garbage\n", 13}, 5000)},
    {.name = "MegabyteSingleLineForm", .form = Repeat("", "x", kMB)},
    {.name = "MegabyteSectionHeader",
     .form = Repeat("[", "S", kMB, "]\n" + kSystem),
     .page = kAlpha},
    {.name = "HugeLayoutSection",
     .form = Repeat(kSystem + "[LAYOUT]\n", "<NEW_LINE>\n", 100000),
     .page = Blob{"", "<BR>", 100000}},
    {.name = "EmptyFormFile", .form = A("")},
    {.name = "NulInsideDefaultStyle",
     .form = A({"[SYSTEM]\nDEFAULT_STYLE=<<>>\0x\nHTML_DEST_DIR=$DEST\n", 48})},
    {.name = "DestinationIsAFile",
     .form = A("[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=$DIR/afile\n")},
    // Texts
    {.name = "NullText", .text = kNull},
    {.name = "LoneHighSurrogate", .text = AlphaBeta(0xD800), .page = kAlphaBeta, .bAround = true},
    {.name = "LoneLowSurrogate", .text = AlphaBeta(0xDC00), .page = kAlphaBeta, .bAround = true},
    {.name = "OpenersThenClosers",
     .text = Repeat(std::string(100000, '<'), ">>", 50000),
     .page = Blob{"<p>", ">>", 49999, "</p>"}},
    {.name = "ClosersThenOpeners",
     .text = Repeat(std::string(100000, '>'), "<<", 50000),
     .page = Blob{"<p>" + std::string(100000, '>'), "<<", 50000, "</p>"}},
    {.name = "HugeText",
     .text = Repeat("", "a", kHugeText),
     .page = Blob{"<p>", "a", kHugeText, "</p>"}},
    // Section names
    {.name = "NullSectionFindsTheEmptyName",
     .form = A(kSystem + "[]\n<LINE>\n<BUL_LIST>\n"),
     .text = A("<LB>Alpha<LE>"),
     .section = kNull,
     .page = Blob{"<hr><UL><LI>Alpha</UL>"}},
    {.name = "MegabyteSectionName", .section = Repeat("", "S", kMB), .page = kAlpha},
};

class CatalogueTest : public reliability::JobTest, public ::testing::WithParamInterface<Row> {
protected:
    CatalogueTest() { WriteFile(m_dir.File("afile"), "not a directory"); }

    std::string Expand(std::string s) const {
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"$DEST", m_dest},
                                       {"$DIR", m_dir.Path().string()}})
            for (std::size_t at; (at = s.find(from)) != std::string::npos;)
                s.replace(at, from.size(), to);
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
        return arg.wide.empty() ? testsupport::MakeBstr(Build(arg.blob).c_str())
                                : testsupport::MakeBstr(arg.wide);
    }
};

TEST_P(CatalogueTest, AnswersAsDocumented) {
    const Row& row = GetParam();
    const std::string strEnd = "</body></html>";
    WriteFile(m_form, Build(row.form.blob));
    const testsupport::Bstr path = row.path ? MakeArg(*row.path) : MakeArg(A(m_form));
    ASSERT_EQ(0, m_host.Generate(MakeArg(row.text), path, MakeArg(row.section)));
    ASSERT_TRUE(m_host.WaitFinished());
    const std::string strName = m_host.Name(0);
    if (!row.page) {
        EXPECT_EQ("", strName);
        EXPECT_TRUE(testsupport::ListFiles(m_dest).empty());
        return;
    }
    ASSERT_NE("", strName);
    const std::string strPage = testsupport::ReadFile(strName);
    const std::string& strHead = testsupport::kPlainHead;
    ASSERT_TRUE(strPage.starts_with(strHead) && strPage.ends_with(strEnd)) << strName;
    const std::string strBody =
        strPage.substr(strHead.size(), strPage.size() - strHead.size() - strEnd.size());
    if (row.bAround) {
        EXPECT_TRUE(strBody.starts_with(row.page->head)) << strBody;
        EXPECT_TRUE(strBody.ends_with(row.page->tail)) << strBody;
    } else { // compared without printing megabytes when they differ
        const std::string strExpected = Build(*row.page);
        EXPECT_EQ(strExpected.size(), strBody.size());
        EXPECT_TRUE(strExpected == strBody) << strBody.substr(0, 200);
    }
    EXPECT_EQ(S_OK, m_host.Get()->Reset());
    EXPECT_FALSE(testsupport::FileExists(strName));
}

INSTANTIATE_TEST_SUITE_P(BadInputs, CatalogueTest, ::testing::ValuesIn(kCatalogue),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
