// Failures of the system under the generator object: file opens, reads, writes, closes and
// deletions that fail, a clock that cannot give a date, thread starts and allocations that fail
// inside a job. Each request still finishes exactly once, failed ones with the empty name.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>
#include <set>
#include <tuple>

#include "tests/reliability/JobTest.h"

// ---- allocation failure on the worker threads ----
//
// While g_nFailAfter is positive, each allocation made by a thread other than the test's own
// counts it down, and the one that brings it to zero fails. Every allocation goes through malloc
// so that the sanitizers see new and delete pair up.
namespace {
std::atomic<int> g_nFailAfter{0};
thread_local bool t_bTestThread = false;

void* Allocate(std::size_t n) {
    if (g_nFailAfter.load(std::memory_order_relaxed) > 0 && !t_bTestThread &&
        g_nFailAfter.fetch_sub(1) == 1)
        throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t n) {
    return Allocate(n);
}
void* operator new[](std::size_t n) {
    return Allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return operator new(n, std::nothrow);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using platform::testing::FileOp, platform::testing::FailFileOps;
using testsupport::ListFiles, testsupport::WriteFile;

// Fits the layout section: a list, then a paragraph for the text slot.
constexpr const char* kGoodText = "<LB>a<LE>Alpha";

class FaultTest : public reliability::JobTest {
protected:
    FaultTest() {
        t_bTestThread = true;
        WriteForm(0);
    }
    // The settings come first, so a read error in the padding is all that can make a job fail.
    void WriteForm(std::size_t nPad) {
        WriteFile(m_form, Form(m_dest, "[PAD]\n" + std::string(nPad, 'p') +
                                           "\n[S]\n<BOLD>\n[LAYOUT]\n<LINE>\n<BUL_LIST>\n<<S>>\n"));
    }
    ~FaultTest() override { g_nFailAfter = 0; }
};

struct FileFault {
    const char* szName;
    FileOp op;
    int nError, nSkip;
    // What stays on disk: "" no file; else a file that is "empty", holds the "head" and more
    // but no end, or is "whole" (the close failed after everything was written).
    std::string strLeft;
    std::size_t nPad = 0; // bytes in the form file between its settings and its sections
};
// Test listings name a case, not its bytes.
void PrintTo(const FileFault& f, std::ostream* os) {
    *os << f.szName;
}
const FileFault kFileFaults[] = {
    {"FormCannotBeOpened", FileOp::kOpenRead, EACCES, 0, ""},
    {"FormReadErrorAfterFirstChunk", FileOp::kRead, EIO, 1, ""},
    {"FormReadErrorInTheMiddle", FileOp::kRead, EIO, 2, "", 300 * 1024},
    {"PageCannotBeCreated", FileOp::kCreate, EACCES, 0, ""},
    {"DiskFullAtFirstWrite", FileOp::kWrite, ENOSPC, 0, "empty"},
    {"DiskFullPartWay", FileOp::kWrite, ENOSPC, 1, "head"},
    {"CloseFails", FileOp::kClose, EIO, 0, "whole"},
};

class FileFaultTest : public FaultTest,
                      public ::testing::WithParamInterface<std::tuple<FileFault, bool>> {};

TEST_P(FileFaultTest, RequestFinishesWithoutAName) {
    const auto& [fault, bInline] = GetParam();
    // The section page and the inline-style page handle file errors each on their own; the text
    // needs more than one write of the file layer's buffer.
    WriteForm(fault.nPad);
    FailFileOps(fault.op, 1, fault.nError, fault.nSkip);
    EXPECT_EQ("", RunOne((bInline ? "<<S>>" : "<LB>a<LE>") + std::string(200 * 1024, 'x')));
    EXPECT_EQ(1, platform::testing::InjectedFailures(fault.op));

    const std::vector<std::string> left = ListFiles(m_dest);
    ASSERT_EQ(fault.strLeft.empty() ? 0u : 1u, left.size());
    if (!left.empty()) {
        // What was written before the failure stays there.
        const std::string strPage = testsupport::ReadFile(m_dest + "/" + left[0]);
        const std::string& strHead = testsupport::kPlainHead;
        EXPECT_EQ(fault.strLeft == "empty" ? "" : strHead, strPage.substr(0, strHead.size()));
        EXPECT_EQ(fault.strLeft == "whole", strPage.ends_with("</body></html>"));
        // The unfinished page is nobody's result, so Reset neither deletes it nor logs.
        testsupport::VellumCapture log;
        EXPECT_EQ(S_OK, m_host.Get()->Reset());
        EXPECT_TRUE(log.Entries().empty());
        EXPECT_EQ(left, ListFiles(m_dest));
    }
    // The object goes on working once the system recovers.
    platform::testing::ClearFaults();
    EXPECT_NE("", RunOne(kGoodText));
}

INSTANTIATE_TEST_SUITE_P(Faults, FileFaultTest,
                         ::testing::Combine(::testing::ValuesIn(kFileFaults), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).szName) +
                                    (std::get<1>(info.param) ? "Inline" : "Section");
                         });

TEST_F(FaultTest, PageThatCannotBeDeletedIsLoggedOnceAndForgotten) {
    const std::string strFirst = RunOne(kGoodText), strSecond = RunOne(kGoodText);
    ASSERT_FALSE(strFirst.empty() || strSecond.empty());

    FailFileOps(FileOp::kRemove, 1, EACCES);
    testsupport::VellumCapture log;
    EXPECT_EQ(S_OK, m_host.Get()->Reset());
    ASSERT_EQ(1u, log.Entries().size());
    const vellum::Entry e = log.Entries()[0];
    EXPECT_EQ(std::make_tuple(248, std::string("Pagewright"), -1, "Could Not Delete File!"),
              std::tie(e.nLine, e.strSource, e.nLevel, e.strMessage));
    // Results are in finishing order, so either page may be the one that stayed.
    EXPECT_EQ(1u, ListFiles(m_dest).size());
    EXPECT_NE(testsupport::FileExists(strFirst), testsupport::FileExists(strSecond));
    EXPECT_EQ("", m_host.Name(0));
    EXPECT_TRUE(m_host.IsFinished());
}

TEST_F(FaultTest, ClockWithoutCalendarDateNamesThePageWithMinusOnes) {
    testsupport::FixedClock noDate(true);
    EXPECT_EQ(m_dest + "/HTML-12-12-12-12-12-1202.htm", RunOne(kGoodText));
}

TEST_F(FaultTest, RefusedThreadStartsAreTakenBackAndResetDoesNotWait) {
    platform::testing::FailNextThreadStarts(2);
    int nIndex = 7;
    EXPECT_EQ(E_OUTOFMEMORY, m_host.Get()->GenerateHTML(nullptr, nullptr, nullptr, &nIndex));
    EXPECT_EQ(-1, nIndex);
    EXPECT_EQ(E_OUTOFMEMORY, m_host.Generate(kGoodText, m_form.c_str()));
    EXPECT_TRUE(m_host.IsFinished());
    EXPECT_EQ(S_OK, m_host.Get()->Reset());
    EXPECT_NE("", RunOne(kGoodText)); // index 0: the refused ones were taken back
}

// Fails the first, second, third ... allocation of a job's worker in turn, until a job needs
// fewer allocations than that and writes its page. Every failing job must still finish, with
// the empty name and a reason: its job record could not be made, or the job was stopped.
TEST_F(FaultTest, AllocationFailureAnywhereInAJobFinishesItWithoutAName) {
    IPagewrightDiagnostics* pDiag = nullptr;
    ASSERT_EQ(S_OK, m_host.Get()->QueryInterface(IID_IPagewrightDiagnostics,
                                                 reinterpret_cast<void**>(&pDiag)));
    std::set<std::string> reasons;
    int nFailed = 0;
    for (int nAt = 1; nAt < 400; ++nAt, ++nFailed) {
        g_nFailAfter = nAt;
        const std::string strName = RunOne("<<S>>Alpha<LB>Beta<T>Gamma<LE>Delta");
        const bool bFired = g_nFailAfter.exchange(0) <= 0;
        BSTR reason = nullptr;
        EXPECT_EQ(S_OK, pDiag->GetFailureReason(0, &reason));
        reasons.insert(platform::BstrToAnsi(reason));
        SysFreeString(reason);
        EXPECT_EQ(S_OK, m_host.Get()->Reset());
        EXPECT_EQ(bFired, strName.empty()) << "allocation " << nAt;
        if (!bFired)
            break;
    }
    pDiag->Release();
    EXPECT_GT(nFailed, 5);
    // The page written at the end has no reason.
    EXPECT_EQ(reasons,
              (std::set<std::string>{"", "out of memory: the request's job could not be started",
                                     "the job was stopped by an internal error: std::bad_alloc"}));
}

} // namespace
