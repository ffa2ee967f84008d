// The reliability suites on one fixture: injected failures of the system (faults), many host
// threads on the objects (stress) and a catalogue of bad inputs. Whatever happens, each request
// finishes exactly once, a failed one with the empty name, and the object goes on working.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>

#include "platform/faults.h"
#include "platform/thread.h"
#include "platform/vellum.h"
#include "tests/support/Host.h"
#include "tests/support/TestSupport.h"

// ---- allocation failure on the worker threads ----
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

// ---- the object's bookkeeping, read under its lock by the stress tests ----
// Empty when the invariants hold, else what is wrong; fills *pResults (index to name) if given.
struct PagewrightAudit {
    static std::string Check(IPagewright* pInterface,
                             std::map<std::uint32_t, std::string>* pResults = nullptr) {
        auto* p = static_cast<CPagewright*>(pInterface);
        platform::MutexLock lock(p->m_mutex);
        if (p->m_arrResultFiles.size() != p->m_arrResultIndexes.size() ||
            p->m_arrResultFiles.size() != static_cast<std::size_t>(p->m_nCompleted))
            return "result lists and completed count differ in length";
        if (p->m_nCompleted < 0 || p->m_nCompleted > p->m_nIssued)
            return "completed count outside 0..issued";
        std::map<std::uint32_t, std::string> results;
        for (std::size_t i = 0; i < p->m_arrResultIndexes.size(); ++i) {
            if (p->m_arrResultIndexes[i] >= static_cast<std::uint32_t>(p->m_nIssued))
                return "result index not issued";
            if (!results.emplace(p->m_arrResultIndexes[i], p->m_arrResultFiles[i]).second)
                return "two results for one index";
        }
        if (pResults)
            *pResults = std::move(results);
        return {};
    }
};

namespace {

using platform::testing::FileOp, platform::testing::FailFileOps;
using testsupport::Host, testsupport::FileExists, testsupport::ListFiles, testsupport::WriteFile;

// ---- the fixture: a scratch folder with its page folder, one object, no fault left armed ----
class JobTest : public ::testing::Test {
protected:
    JobTest() { std::filesystem::create_directory(m_dest); }
    ~JobTest() override {
        platform::testing::ClearFaults();
        platform::testing::FailNextThreadStarts(0);
    }
    // Settings without a default style that send pages to strDest, then strSections.
    static std::string Form(const std::string& strDest, const std::string& strSections = "") {
        return "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" + strDest + "\n" + strSections;
    }
    // Runs one request on the form file to its end and gives its name.
    std::string RunOne(const std::string& text) {
        const int nIndex = m_host.Generate(text.c_str(), m_form.c_str());
        EXPECT_GE(nIndex, 0);
        EXPECT_TRUE(m_host.WaitFinished());
        return m_host.Name(nIndex);
    }

    testsupport::TempDir m_dir;
    const std::string m_dest = m_dir.File("out"), m_form = m_dir.File("form.frm");
    testsupport::Host m_host; // goes first: its jobs finish before the folders go
};

// ---- faults: file operations, thread starts and allocations that fail ----

// Fits the layout section: a list, then a paragraph for the text slot.
constexpr const char* kGoodText = "<LB>a<LE>Alpha";

class FaultTest : public JobTest {
protected:
    FaultTest() {
        t_bTestThread = true;
        WriteForm(0);
        // Only Reset logs, on its caller's thread: the entries are kept here, not printed.
        vellum::SetSink([this](const vellum::Entry& entry) { m_log.push_back(entry); });
    }
    // The settings come first, so a read error in the padding is all that can make a job fail.
    void WriteForm(std::size_t nPad) {
        WriteFile(m_form, Form(m_dest, "[PAD]\n" + std::string(nPad, 'p') +
                                           "\n[S]\n<BOLD>\n[LAYOUT]\n<LINE>\n<BUL_LIST>\n<<S>>\n"));
    }
    ~FaultTest() override {
        g_nFailAfter = 0;
        vellum::SetSink({});
    }
    std::vector<vellum::Entry> m_log;
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
        EXPECT_EQ(S_OK, m_host.Get()->Reset());
        EXPECT_TRUE(m_log.empty());
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
    EXPECT_EQ(S_OK, m_host.Get()->Reset());
    ASSERT_EQ(1u, m_log.size());
    const vellum::Entry& e = m_log[0];
    EXPECT_EQ(std::make_tuple(248, std::string("Pagewright"), -1, "Could Not Delete File!"),
              std::tie(e.nLine, e.strSource, e.nLevel, e.strMessage));
    // Results are in finishing order, so either page may be the one that stayed.
    EXPECT_NE(testsupport::FileExists(strFirst), testsupport::FileExists(strSecond));
    EXPECT_EQ("", m_host.Name(0));
    EXPECT_TRUE(m_host.IsFinished());
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

// ---- stress: many host threads on several objects, an object released while its jobs run ----
// Every issued index gets exactly one result, the bookkeeping's invariants hold whenever the
// lock is free, and Reset deletes every page recorded before it.

// Every reading of the clock gives another date, so no two pages of a test share a name, not
// even across a Reset that starts the indexes again.
std::atomic<int> g_nTick{0};
bool TickingClock(platform::LocalDateTime& dt) {
    dt = {3000 + g_nTick.fetch_add(1), 1, 1, 0, 0, 0};
    return true;
}

// Requests of three sorts: a section page, an inline-style page, and one the tokenizer rejects.
const char* const kTexts[] = {"Alpha<T>Beta", "<<S>>Alpha<LB>Beta<LE>", "<LE>rejected"};

// Runs body(t) on nThreads host threads at once and waits for host's jobs, while another thread
// checks host's invariants.
template <class Body> void RunThreads(Host& host, int nThreads, Body body) {
    std::string strBroken;
    std::jthread auditor([&](std::stop_token stop) {
        while (!stop.stop_requested() && strBroken.empty()) {
            strBroken = PagewrightAudit::Check(host.Get());
            std::this_thread::yield();
        }
    });
    // The threads join when the loop's vector goes.
    for (std::vector<std::jthread> threads; threads.size() < static_cast<std::size_t>(nThreads);)
        threads.emplace_back(body, static_cast<int>(threads.size()));
    EXPECT_TRUE(host.WaitFinished());
    auditor.request_stop();
    auditor.join();
    EXPECT_EQ("", strBroken);
}

class StressTest : public JobTest {
protected:
    StressTest() : m_previousClock(platform::testing::SetLocalClock(&TickingClock)) {}
    ~StressTest() override { platform::testing::SetLocalClock(m_previousClock); }

    // A form file that writes into the folder of the same name.
    std::string MakeForm(const std::string& strName) {
        const std::string strDest = m_dir.File(strName), strForm = strDest + ".frm";
        std::filesystem::create_directory(strDest);
        testsupport::WriteFile(strForm, Form(strDest, "[S]\n<ITALIC>\n[LAYOUT]\n<<S>>\n"));
        return strForm;
    }

    // nThreads host threads each issue nPerThread requests on one object, polling and reading
    // names between them; each index's result is empty exactly for the rejected texts.
    void Batch(Host& host, const std::string& strForm, int nThreads, int nPerThread) {
        const int nIssued = nThreads * nPerThread;
        // Per index: how often it was given out, and whether its text is one the tokenizer rejects.
        std::vector<std::atomic<int>> given(nIssued);
        std::vector<char> rejected(nIssued);
        RunThreads(host, nThreads, [&](int t) {
            for (int i = 0; i < nPerThread; ++i) {
                const int nIndex = host.Generate(kTexts[(t + i) % 3], strForm.c_str());
                host.IsFinished();
                host.Name(nIndex - 1);
                ASSERT_TRUE(nIndex >= 0 && nIndex < nIssued) << nIndex;
                ++given[nIndex];
                rejected[nIndex] = (t + i) % 3 == 2;
            }
        });
        // The audit keeps result indexes issued and apart: nIssued results are one per index.
        std::map<std::uint32_t, std::string> results;
        ASSERT_EQ("", PagewrightAudit::Check(host.Get(), &results));
        ASSERT_EQ(static_cast<std::size_t>(nIssued), results.size());
        std::set<std::string> names;
        for (const auto& [nIndex, strName] : results) {
            EXPECT_EQ(1, given[nIndex].load()) << nIndex;
            EXPECT_EQ(rejected[nIndex] != 0, strName.empty()) << nIndex;
            EXPECT_TRUE(strName.empty() || (names.insert(strName).second && FileExists(strName)))
                << strName;
        }
        EXPECT_EQ(S_OK, host.Get()->Reset());
        for (const std::string& strName : names)
            EXPECT_FALSE(FileExists(strName)) << strName;
    }

    platform::testing::LocalClockFn m_previousClock;
};

// Several objects at once, each with several host threads.
TEST_F(StressTest, ManyHostThreadsOnEachOfSeveralObjectsGetOneResultPerIndex) {
    Host hosts[3];
    std::vector<std::jthread> drivers;
    for (int i = 0; i < 3; ++i)
        drivers.emplace_back([&, i, strForm = MakeForm("object" + std::to_string(i))] {
            Batch(hosts[i], strForm, 4, 12);
        });
    drivers.clear();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(ListFiles(m_dir.File("object" + std::to_string(i))).empty());
}

// Resets racing with requests, polls and name lookups: whatever a thread saw recorded before
// its Reset is gone when that Reset returns, and the invariants hold throughout.
TEST_F(StressTest, ResetsAmidRequestsDeleteEveryPageRecordedBeforeThem) {
    Host host;
    const std::string strForm = MakeForm("racing");
    RunThreads(host, 4, [&](int t) {
        std::vector<std::string> seen;
        for (int i = 0; i < 40; ++i) {
            const int nIndex = host.Generate(kTexts[(t + i) % 3], strForm.c_str());
            EXPECT_GE(nIndex, 0);
            host.IsFinished();
            for (int j = 0; j <= nIndex; ++j)
                if (std::string strName = host.Name(j); !strName.empty())
                    seen.push_back(strName);
            if (i % 8 == 7) {
                EXPECT_EQ(S_OK, host.Get()->Reset());
                for (const std::string& strName : seen)
                    EXPECT_FALSE(FileExists(strName)) << strName;
                seen.clear();
            }
        }
    });
    EXPECT_EQ(S_OK, host.Get()->Reset());
    // Every page a job finished was recorded, and so deleted; rejected texts made no file.
    EXPECT_TRUE(ListFiles(m_dir.File("racing")).empty());
}

// The host lets go of the object while 100 jobs are held in the middle of their run; the jobs
// keep it alive, finish, and the last of them destroys it.
TEST_F(StressTest, ReleasingTheLastReferenceWhile100JobsRun) {
    const std::string strForm = MakeForm("released");
    const int nBefore = platform::testing::RunningWorkerThreads();
    Host host;
    platform::testing::CloseFileGate();
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(i, host.Generate(kTexts[i % 2], strForm.c_str()));
    const bool bAllHeld =
        testsupport::WaitUntil([] { return platform::testing::WaitingAtFileGate() == 100; });
    host.Abandon();
    platform::testing::OpenFileGate();
    ASSERT_TRUE(bAllHeld);
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return platform::testing::RunningWorkerThreads() == nBefore; }));
    EXPECT_EQ(100u, ListFiles(m_dir.File("released")).size());
}

// ---- bad inputs: null and odd BSTRs, huge texts, forms and names, unreadable form paths ----
// What only a request through the object shows (the conversion rules are the engine tables'
// job): a page with exactly this body, or no page and the empty name.

// Text built from pieces, so that a row can stand for megabytes without holding them: head,
// piece nRepeat times, tail; "$DIR" and "$DEST" stand for the scratch and the page folders.
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
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}
const Blob kAlpha{"<p>Alpha</p>"}, kAlphaBeta{"<p>Alpha", "", 0, "Beta</p>"};

const Row kCatalogue[] = {
    // Form paths
    {.name = "MissingFormFile", .path = A("$DIR/none.frm")},
    {.name = "FormPathIsADirectory", .path = A("$DEST")},
    {.name = "NullFormPath", .path = kNull},
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

class CatalogueTest : public JobTest, public ::testing::WithParamInterface<Row> {
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
