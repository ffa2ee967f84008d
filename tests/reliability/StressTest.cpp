// Many host threads on several generator objects, and an object released while its jobs run:
// every issued index gets exactly one result, the bookkeeping's invariants hold whenever the
// lock is free, and Reset deletes every page recorded before it.
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "tests/reliability/JobTest.h"

// Reads the object's bookkeeping under its lock: empty when the invariants hold, else what is
// wrong; fills *pResults (request index to result name) when given.
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

using testsupport::Host, testsupport::FileExists, testsupport::ListFiles;

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

class StressTest : public reliability::JobTest {
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
    // names between them. Afterwards every issued index has exactly one result, empty exactly
    // for the rejected texts, and Reset removes every page.
    void Batch(Host& host, const std::string& strForm, int nThreads, int nPerThread) {
        std::mutex mutex;
        std::map<std::uint32_t, bool> rejected; // issued index -> whether its text is rejected
        RunThreads(host, nThreads, [&](int t) {
            for (int i = 0; i < nPerThread; ++i) {
                const int nIndex = host.Generate(kTexts[(t + i) % 3], strForm.c_str());
                host.IsFinished();
                host.Name(nIndex - 1);
                std::lock_guard<std::mutex> lock(mutex);
                EXPECT_TRUE(rejected.emplace(nIndex, (t + i) % 3 == 2).second) << nIndex;
            }
        });
        // The issued indexes are 0 .. n - 1; each has one result, empty exactly when rejected.
        const std::size_t nIssued = static_cast<std::size_t>(nThreads) * nPerThread;
        ASSERT_EQ(nIssued, rejected.size());
        EXPECT_EQ(nIssued - 1, rejected.rbegin()->first);
        std::map<std::uint32_t, std::string> results;
        ASSERT_EQ("", PagewrightAudit::Check(host.Get(), &results));
        std::map<std::uint32_t, bool> emptyName;
        std::set<std::string> names;
        for (const auto& [nIndex, strName] : results) {
            emptyName[nIndex] = strName.empty();
            EXPECT_TRUE(strName.empty() || (names.insert(strName).second && FileExists(strName)))
                << strName;
        }
        EXPECT_EQ(rejected, emptyName);
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

} // namespace
