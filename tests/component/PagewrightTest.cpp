// The generator object as a host sees it through IPagewright, on real files in temporary dirs.
#include <gtest/gtest.h>

#include <future>
#include <set>

#include "platform/textfile.h"
#include "tests/support/Host.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace std::literals;
using testsupport::MakeBstr, testsupport::ReadFile, testsupport::WaitUntil;

class PagewrightTest : public ::testing::Test {
protected:
    PagewrightTest() {
        std::filesystem::create_directory(m_dest);
        testsupport::WriteFile(m_form, Form());
    }
    std::string Form() const { return "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" + m_dest; }
    // Page names carry the fixed clock's 4 December 2026, 08:07:28 and the request index.
    std::string Expected(int nIndex) const {
        return m_dest + "/HTML20262122428272282" + std::to_string(nIndex) + "2.htm";
    }
    int Generate(const std::string& text) { return m_host.Generate(text.c_str(), m_form.c_str()); }

    testsupport::TempDir m_tmp;
    // Non-ASCII paths check the trip from BSTR to 8-bit text and back.
    std::string m_dest = m_tmp.File("Seiten-\xC3\xBC");
    std::string m_form = m_tmp.File("form-\xC3\xA4.frm");
    // A form file that holds the job reading it until the test writes the form into it.
    testsupport::HeldFile m_heldFile{m_tmp};
    testsupport::FixedClock m_clock{platform::LocalDateTime{2026, 12, 4, 8, 7, 28}};
    testsupport::Host m_host; // waits for the jobs before the directories go
    IPagewright* m_p = m_host.Get();
};

TEST_F(PagewrightTest, IndexesFollowCallsResultsFollowCompletion) {
    EXPECT_EQ(0, m_host.Generate("Alpha", m_heldFile.Path().c_str()));
    EXPECT_EQ(1, Generate("Beta"));
    EXPECT_EQ(2, Generate("Gamma"));
    ASSERT_TRUE(WaitUntil([&] { return m_host.Name(1) != "" && m_host.Name(2) != ""; }));
    EXPECT_EQ("", m_host.Name(0)); // still held on its form file
    m_heldFile.Release(Form());
    ASSERT_TRUE(m_host.WaitFinished());
    for (int i = 0; const char* text : {"Alpha", "Beta", "Gamma"}) {
        ASSERT_EQ(Expected(i), m_host.Name(i));
        EXPECT_EQ(testsupport::kPlainHead + "<p>" + text + "</p></body></html>",
                  ReadFile(Expected(i++)));
    }
}

TEST_F(PagewrightTest, ResetWaitsForJobsDeletesTheirPagesAndCountsAfresh) {
    EXPECT_EQ(0, Generate("Alpha"));
    EXPECT_EQ(1, m_host.Generate("Gamma", m_heldFile.Path().c_str()));
    auto reset = std::async(std::launch::async, [&] { return m_p->Reset(); });
    EXPECT_EQ(std::future_status::timeout, reset.wait_for(100ms)); // the job is still held
    m_heldFile.Release(Form());
    EXPECT_EQ(S_OK, reset.get());
    EXPECT_TRUE(testsupport::ListFiles(m_dest).empty());
    EXPECT_EQ("", m_host.Name(0));
    EXPECT_EQ(0, Generate("Delta"));
}

TEST_F(PagewrightTest, RefusedRequestsLeaveTheObjectUsableAndInterfacesAnswer) {
    EXPECT_EQ(E_POINTER, m_p->GenerateHTML(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(E_POINTER, m_p->IsGeneratingFinished(nullptr));
    EXPECT_EQ(E_POINTER, m_p->GetHTMLFileName(0, nullptr));
    EXPECT_EQ(E_POINTER, m_p->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(0, Generate("Hello")); // the refused request took no index
    // The out parameter's incoming value is the caller's: it must be neither freed nor reused.
    const auto mine = MakeBstr("mine");
    BSTR out = mine.get();
    EXPECT_EQ(S_OK, m_p->GetHTMLFileName(7, &out));
    EXPECT_EQ("mine", platform::BstrToAnsi(mine.get()));
    EXPECT_TRUE(out != mine.get() && SysStringLen(out) == 0);
    SysFreeString(out);
    EXPECT_EQ(S_OK, m_p->Reset());

    ISupportErrorInfo* pInfo = nullptr;
    ASSERT_EQ(S_OK, m_p->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&pInfo)));
    const std::tuple<const IID&, HRESULT, HRESULT> cases[] = {
        {IID_IUnknown, S_OK, S_FALSE},
        {IID_IPagewright, S_OK, S_OK},
        {IID_ISupportErrorInfo, S_OK, S_FALSE},
        {CLSID_Pagewright, E_NOINTERFACE, S_FALSE}};
    for (const auto& [iid, hrQuery, hrErrorInfo] : cases) {
        void* pv = &pv;
        EXPECT_EQ(hrQuery, pInfo->QueryInterface(iid, &pv));
        EXPECT_EQ(hrQuery == S_OK, pv != nullptr);
        if (pv)
            static_cast<IUnknown*>(pv)->Release();
        EXPECT_EQ(hrErrorInfo, pInfo->InterfaceSupportsErrorInfo(iid));
    }
    pInfo->Release();
}

// Reasons are read beside the results, through another interface of the object; Reset ends both.
TEST_F(PagewrightTest, DiagnosticsGiveEachFinishedRequestsReason) {
    EXPECT_EQ(0, Generate("Alpha"));
    EXPECT_EQ(1, Generate("<LE>Alpha"));
    ASSERT_TRUE(m_host.WaitFinished());

    IPagewrightDiagnostics* pDiag = nullptr;
    ASSERT_EQ(S_OK,
              m_p->QueryInterface(IID_IPagewrightDiagnostics, reinterpret_cast<void**>(&pDiag)));
    IUnknown* pFromDiag = nullptr; // one object, one identity
    ASSERT_EQ(S_OK, pDiag->QueryInterface(IID_IPagewright, reinterpret_cast<void**>(&pFromDiag)));
    EXPECT_EQ(static_cast<IUnknown*>(m_p), pFromDiag);
    pFromDiag->Release();

    const auto reason = [&](int nIndex, HRESULT hrWanted) {
        BSTR b = nullptr;
        EXPECT_EQ(hrWanted, pDiag->GetFailureReason(nIndex, &b)) << nIndex;
        return platform::BstrToAnsi(testsupport::Bstr(b, &SysFreeString).get());
    };
    EXPECT_EQ("", reason(0, S_OK)); // made its page
    EXPECT_EQ("text, offset 0: the text begins with <LE>, which ends a list never begun",
              reason(1, S_OK));
    EXPECT_EQ("", reason(2, S_FALSE));
    EXPECT_EQ(E_POINTER, pDiag->GetFailureReason(1, nullptr));
    EXPECT_EQ(S_OK, m_p->Reset());
    EXPECT_EQ("", reason(1, S_FALSE));
    pDiag->Release();
}

// A text file, read by the worker, shares GenerateHTML's index sequence and gives the job the
// same text, NUL byte included; a file that cannot be opened fails with a reason naming it.
TEST_F(PagewrightTest, TextFilesQueueLikeTextsAndUnreadableOnesSayWhy) {
    IPagewrightFiles* pFiles = nullptr;
    ASSERT_EQ(S_OK, m_p->QueryInterface(IID_IPagewrightFiles, reinterpret_cast<void**>(&pFiles)));
    const std::string text("Al\0pha", 6), file = m_tmp.File("text.txt");
    const std::string missing = m_tmp.File("missing.txt");
    testsupport::WriteFile(file, text);
    const auto form = MakeBstr(m_form.c_str());
    EXPECT_EQ(0, m_host.Generate(MakeBstr(std::u16string(u"Al\0pha", 6)), form, MakeBstr("L")));
    int nIndex = -1;
    EXPECT_EQ(S_OK, pFiles->GenerateHTMLFromFile(MakeBstr(file.c_str()).get(), form.get(),
                                                 nullptr, &nIndex));
    EXPECT_EQ(1, nIndex);
    EXPECT_EQ(S_OK, pFiles->GenerateHTMLFromFile(MakeBstr(missing.c_str()).get(), form.get(),
                                                 nullptr, &nIndex));
    EXPECT_EQ(2, nIndex);
    EXPECT_EQ(E_POINTER, pFiles->GenerateHTMLFromFile(nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(m_host.WaitFinished());
    for (int i : {0, 1})
        EXPECT_EQ(testsupport::kPlainHead + "<p>" + text + "</p></body></html>",
                  ReadFile(Expected(i)));
    EXPECT_EQ("", m_host.Name(2));
    IPagewrightDiagnostics* pDiag = nullptr;
    ASSERT_EQ(S_OK, pFiles->QueryInterface(IID_IPagewrightDiagnostics,
                                           reinterpret_cast<void**>(&pDiag)));
    BSTR reason = nullptr;
    EXPECT_EQ(S_OK, pDiag->GetFailureReason(2, &reason));
    // 2 is ENOENT, and ERROR_FILE_NOT_FOUND on Windows.
    EXPECT_EQ("cannot open the text file \"" + missing + "\": " + platform::FileErrorText(2),
              platform::BstrToAnsi(testsupport::Bstr(reason, &SysFreeString).get()));
    pDiag->Release();
    pFiles->Release();
}

// HTML5 pages never replace a page: not one another object makes in the same second, not one
// left from an earlier run.
TEST_F(PagewrightTest, Html5PagesOfTheSameSecondAndStalePagesAllKeepTheirFiles) {
    testsupport::WriteFile(m_form, Form() + "\nPAGE_FORMAT=HTML5\n");
    // Each object's first request has index 0: both pages have one name, as has a page from before.
    const std::string stem = Expected(0).substr(0, Expected(0).size() - 4);
    testsupport::WriteFile(stem + ".htm", "stale");
    testsupport::Host second;
    ASSERT_EQ(0, Generate("Alpha"));
    ASSERT_EQ(0, second.Generate("Beta", m_form.c_str()));
    ASSERT_TRUE(m_host.WaitFinished() && second.WaitFinished());

    EXPECT_EQ("stale", ReadFile(stem + ".htm"));
    EXPECT_EQ((std::set<std::string>{stem + "-1.htm", stem + "-2.htm"}),
              (std::set<std::string>{m_host.Name(0), second.Name(0)}));
    EXPECT_NE(std::string::npos, ReadFile(m_host.Name(0)).find("<p>Alpha</p>"));
    EXPECT_NE(std::string::npos, ReadFile(second.Name(0)).find("<p>Beta</p>"));
    // Reset deletes the pages under the names it gave out, and nothing else.
    EXPECT_EQ(S_OK, m_p->Reset());
    EXPECT_EQ(S_OK, second.Get()->Reset());
    EXPECT_EQ(std::vector<std::string>{"HTML2026212242827228202.htm"},
              testsupport::ListFiles(m_dest));
}

} // namespace
