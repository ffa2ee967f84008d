// What the examples cannot show: the cost of a long text, and a form file loaded twice.
#include <gtest/gtest.h>

#include <string>

#include "engine/GenThread.h"
#include "tests/support/TestSupport.h"

namespace {

// Texts of nothing but markers' opening characters make one run: plain, as the first "<" starts
// no marker; inline, with the ">>" before every "<<", as no style name can close. The token list
// must not take memory in proportion to those characters, or a long such text fails for want of
// memory where it should make a page.
TEST(LongText, TokenListStaysWithinTheTextsOwnSize) {
    const std::string marks(4 * 1024 * 1024, '<');
    for (const std::string& text : {marks, ">>" + marks}) {
        CGenThread job(nullptr, text, "", "", 0);
        BOOL bInline = FALSE;
        ASSERT_TRUE(job.TokenizeText(&bInline));
        EXPECT_EQ(1u, job.m_arrTokenText.size());
        EXPECT_LE(job.m_arrTokenText.capacity() * sizeof(job.m_arrTokenText[0]) +
                      job.m_arrTokenKind.capacity() * sizeof(job.m_arrTokenKind[0]) +
                      job.m_arrTokenStyle.capacity() * sizeof(job.m_arrTokenStyle[0]),
                  text.size());
    }
}

// The HTML5 style sheet holds one class per style the page uses, declared once however many
// paragraphs use it; styles the page does not use are left out; the head is written once.
TEST(LongText, Html5PageDeclaresEachUsedStyleOnce) {
    testsupport::TempDir dir, dest;
    testsupport::WriteFile(dir.File("job.frm"),
                           "[SYSTEM]\nDEFAULT_STYLE = <<>>\nPAGE_FORMAT = HTML5\n"
                           "HTML_DEST_DIR = " +
                               dest.Path().string() + "\n[Body]\n<ITALIC>\n[UNUSED]\n<BOLD>\n");
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "<<Body>>words<T>";
    CGenThread job(nullptr, text, dir.File("job.frm"), "", 0);
    job.GeneratePage();
    const std::string page = testsupport::ReadFile(job.m_strResultFile);
    const auto count = [&page](const std::string& what) {
        std::size_t n = 0;
        for (auto at = page.find(what); at != std::string::npos; at = page.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(1u, count("font-style: italic"));
    EXPECT_EQ(10000u, count("<p class=\"Body\">words</p>"));
    EXPECT_EQ(0u, count("font-weight"));
    for (const char* head : {"<meta charset=", "<meta name=\"viewport\"",
                             "<title>User Notification</title>", "<body>"})
        EXPECT_EQ(1u, count(head)) << head;
    // Two walks over 10,000 runs, yet the job never held more of the token list than a window.
    EXPECT_LE(job.m_arrTokenText.capacity(), CGenThread::kPageTokenWindow);
}

// Loading the path a form file already holds does not read the file again (blanks around the
// path do not make it another).
TEST(FormFile, LoadsAPathItHoldsOnlyOnce) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("a.frm"), "[A]\nK=1\n");
    CFormFile form;
    ASSERT_TRUE(form.Load(dir.File("a.frm")));
    testsupport::WriteFile(dir.File("a.frm"), "[A]\nK=2\n");
    ASSERT_TRUE(form.Load(" " + dir.File("a.frm") + "\t"));
    EXPECT_EQ("1", form.GetValue("A", "K"));
}

// Bytes in memory are split as a file is read: a line feed ends a line, a carriage return only
// right before one; a last line needs no line end. The path given is then the one held.
TEST(FormFile, SplitsBytesInMemoryAsAFileIsRead) {
    CFormFile form;
    ASSERT_TRUE(form.LoadFromMemory(" held.frm", "[A]\r\nK = 1\rX\r\n\nL=2"));
    EXPECT_EQ("1\rX", form.GetValue("A", "K"));
    EXPECT_EQ(4u, form.GetValueLine("A", "L"));
    ASSERT_TRUE(form.Load("held.frm"));
    EXPECT_EQ("2", form.GetValue("A", "L"));
}

// A large form is indexed once lookups have scanned it a few times over; from then on a name
// must still find its first section, a repeated name included, and a missing one none.
TEST(FormFile, LookupsOfALargeFormFindTheFirstSectionOfEachName) {
    std::string strForm;
    for (int i = 0; i < 200; ++i)
        strForm += "[S" + std::to_string(i % 150) + "]\nK=" + std::to_string(i) + "\n";
    CFormFile form;
    ASSERT_TRUE(form.LoadFromMemory("big.frm", strForm));
    for (int nRound = 0; nRound < 10; ++nRound) {
        SCOPED_TRACE(nRound);
        EXPECT_EQ(149u, form.FindSection("S149"));
        EXPECT_EQ(std::string::npos, form.FindSection("S150"));
        EXPECT_EQ(7u, form.FindSection("S7")); // S7 repeats as section 157
        EXPECT_EQ("7", form.GetValue("S7", "K"));
        EXPECT_EQ(std::string::npos, form.FindSection("s7"));
    }
    // A new load forgets the old names.
    ASSERT_TRUE(form.LoadFromMemory("big.frm", "[S7]\n[T]\n"));
    EXPECT_EQ(1u, form.FindSection("T"));
    EXPECT_EQ(std::string::npos, form.FindSection("S149"));
}

} // namespace
