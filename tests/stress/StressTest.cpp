// Many host threads on one generator object, several objects at once, and an object released
// while its jobs run. Checks that every issued index gets exactly one result, that the
// bookkeeping's invariants hold whenever the lock is free, and that Reset deletes every page
// recorded before it. Meant for the ThreadSanitizer build as much as for the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "engine/TextUtil.h"
#include "platform/faults.h"
#include "tests/support/Host.h"
#include "tests/support/TestSupport.h"

// Reads the object's bookkeeping under its lock.
struct PagewrightAudit {
    // Empty when the invariants hold, else what is wrong.
    static std::string Check(IPagewright* pInterface) {
        auto* p = static_cast<CPagewright*>(pInterface);
        platform::MutexLock lock(p->m_mutex);
        if (p->m_arrResultFiles.size() != p->m_arrResultIndexes.size())
            return "result lists differ in length";
        if (p->m_arrResultFiles.size() != static_cast<std::size_t>(p->m_nCompleted))
            return "completed count differs from the results";
        if (p->m_nCompleted < 0 || p->m_nCompleted > p->m_nIssued)
            return "completed count outside 0..issued";
        std::set<std::uint32_t> seen;
        for (std::uint32_t nIndex : p->m_arrResultIndexes) {
            if (nIndex >= static_cast<std::uint32_t>(p->m_nIssued))
                return "result index not issued";
            if (!seen.insert(nIndex).second)
                return "two results for one index";
        }
        return {};
    }
    // Request index to result name.
    static std::multimap<std::uint32_t, std::string> Results(IPagewright* pInterface) {
        auto* p = static_cast<CPagewright*>(pInterface);
        platform::MutexLock lock(p->m_mutex);
        std::multimap<std::uint32_t, std::string> results;
        for (std::size_t i = 0; i < p->m_arrResultIndexes.size(); ++i)
            results.emplace(p->m_arrResultIndexes[i], p->m_arrResultFiles[i]);
        return results;
    }
};

namespace {

using testsupport::Host, testsupport::ListFiles, testsupport::WriteFile;

// Every reading of the clock gives another date, so no two pages of a test share a name, not
// even across a Reset that starts the indexes again.
std::atomic<int> g_nTick{0};
bool TickingClock(platform::LocalDateTime& dt) {
    dt = {3000 + g_nTick.fetch_add(1), 1, 1, 0, 0, 0};
    return true;
}

// Requests of three sorts: a section page, an inline-style page, and one the tokenizer rejects.
const char* const kTexts[] = {"Alpha<T>Beta", "<<S>>Alpha<LB>Beta<LE>", "<LE>rejected"};
bool Fails(int nSort) {
    return nSort == 2;
}

class StressTest : public ::testing::Test {
protected:
    StressTest() : m_previousClock(platform::testing::SetLocalClock(&TickingClock)) {}
    ~StressTest() override {
        platform::testing::ClearFaults();
        platform::testing::SetLocalClock(m_previousClock);
    }

    // A form file that writes into a directory of its own.
    std::string MakeForm(const std::string& strName) {
        const std::string strDest = m_dir.File(strName);
        std::filesystem::create_directory(strDest);
        const std::string strForm = m_dir.File(strName + ".frm");
        WriteFile(strForm, "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" + strDest +
                               "\n[S]\n<ITALIC>\n[LAYOUT]\n<<S>>\n");
        return strForm;
    }

    // nThreads host threads each issue nPerThread requests on one object, polling and reading
    // names between them, while another thread checks the invariants. Afterwards every issued
    // index has exactly one result, empty exactly for the rejected texts, and Reset removes
    // every page.
    void Batch(Host& host, const std::string& strForm, int nThreads, int nPerThread) {
        std::mutex mutex;
        std::map<int, int> sortOf; // issued index -> sort of its request
        std::atomic<bool> bStop{false};
        std::string strBroken;
        std::thread auditor([&] {
            while (!bStop && strBroken.empty()) {
                strBroken = PagewrightAudit::Check(host.Get());
                std::this_thread::yield();
            }
        });
        std::vector<std::thread> hosts;
        for (int t = 0; t < nThreads; ++t) {
            hosts.emplace_back([&, t] {
                for (int i = 0; i < nPerThread; ++i) {
                    const int nSort = (t + i) % 3;
                    const int nIndex = host.Generate(kTexts[nSort], strForm.c_str());
                    host.IsFinished();
                    host.Name(nIndex - 1);
                    std::lock_guard<std::mutex> lock(mutex);
                    EXPECT_TRUE(sortOf.emplace(nIndex, nSort).second) << "index " << nIndex;
                }
            });
        }
        for (std::thread& thread : hosts)
            thread.join();
        ASSERT_TRUE(host.WaitFinished());
        bStop = true;
        auditor.join();
        EXPECT_EQ("", strBroken);

        const int nIssued = nThreads * nPerThread;
        const auto results = PagewrightAudit::Results(host.Get());
        ASSERT_EQ(static_cast<std::size_t>(nIssued), results.size());
        std::set<std::string> names;
        for (int nIndex = 0; nIndex < nIssued; ++nIndex) {
            ASSERT_EQ(1u, results.count(static_cast<std::uint32_t>(nIndex))) << nIndex;
            ASSERT_EQ(1u, sortOf.count(nIndex)) << nIndex;
            const std::string& strName = results.find(static_cast<std::uint32_t>(nIndex))->second;
            EXPECT_EQ(Fails(sortOf[nIndex]), strName.empty()) << nIndex;
            if (!strName.empty()) {
                EXPECT_TRUE(names.insert(strName).second) << strName;
                EXPECT_TRUE(testsupport::FileExists(strName)) << strName;
            }
        }
        EXPECT_EQ(S_OK, host.Get()->Reset());
        for (const std::string& strName : names)
            EXPECT_FALSE(testsupport::FileExists(strName)) << strName;
        EXPECT_EQ(0, host.Generate("Again", strForm.c_str()));
        ASSERT_TRUE(host.WaitFinished());
        EXPECT_EQ(S_OK, host.Get()->Reset());
    }

    testsupport::TempDir m_dir;
    platform::testing::LocalClockFn m_previousClock;
};

TEST_F(StressTest, ManyHostThreadsOnOneObjectGetOneResultPerIndex) {
    Host host;
    Batch(host, MakeForm("one"), 4, 30);
}

TEST_F(StressTest, SeveralObjectsAtOnceKeepTheirOwnBookkeeping) {
    std::vector<std::unique_ptr<Host>> hosts;
    std::vector<std::string> forms;
    for (int i = 0; i < 4; ++i) {
        hosts.push_back(std::make_unique<Host>());
        forms.push_back(MakeForm("object" + std::to_string(i)));
    }
    std::vector<std::thread> drivers;
    for (int i = 0; i < 4; ++i)
        drivers.emplace_back([&, i] { Batch(*hosts[i], forms[i], 2, 15); });
    for (std::thread& thread : drivers)
        thread.join();
    for (const std::string& strForm : forms)
        EXPECT_TRUE(ListFiles(strForm.substr(0, strForm.size() - 4)).empty());
}

// Resets racing with requests, polls and name lookups: whatever a thread saw recorded before
// its Reset is gone when that Reset returns, and the invariants hold throughout.
TEST_F(StressTest, ResetsAmidRequestsDeleteEveryPageRecordedBeforeThem) {
    Host host;
    const std::string strForm = MakeForm("racing");
    std::atomic<bool> bStop{false};
    std::string strBroken;
    std::thread auditor([&] {
        while (!bStop && strBroken.empty()) {
            strBroken = PagewrightAudit::Check(host.Get());
            std::this_thread::yield();
        }
    });
    std::vector<std::thread> hosts;
    for (int t = 0; t < 4; ++t) {
        hosts.emplace_back([&, t] {
            std::vector<std::string> seen;
            for (int i = 0; i < 40; ++i) {
                const int nIndex = host.Generate(kTexts[(t + i) % 3], strForm.c_str());
                EXPECT_GE(nIndex, 0);
                host.IsFinished();
                for (int j = 0; j <= nIndex; ++j) {
                    const std::string strName = host.Name(j);
                    if (!strName.empty())
                        seen.push_back(strName);
                }
                if (i % 8 == 7) {
                    EXPECT_EQ(S_OK, host.Get()->Reset());
                    for (const std::string& strName : seen)
                        EXPECT_FALSE(testsupport::FileExists(strName)) << strName;
                    seen.clear();
                }
            }
        });
    }
    for (std::thread& thread : hosts)
        thread.join();
    ASSERT_TRUE(host.WaitFinished());
    bStop = true;
    auditor.join();
    EXPECT_EQ("", strBroken);
    EXPECT_EQ(S_OK, host.Get()->Reset());
    // Every page a job finished was recorded, and so deleted; rejected texts made no file.
    EXPECT_TRUE(ListFiles(m_dir.File("racing")).empty());
}

// The host lets go of the object while 100 jobs are held in the middle of their run; the jobs
// keep it alive, finish, and the last of them destroys it.
TEST_F(StressTest, ReleasingTheLastReferenceWhile100JobsRun) {
    const std::string strForm = MakeForm("released");
    const int nBefore = platform::testing::RunningWorkerThreads();
    auto host = std::make_unique<Host>();
    platform::testing::CloseFileGate();
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(i, host->Generate(kTexts[i % 2], strForm.c_str()));
    const bool bAllHeld =
        testsupport::WaitUntil([] { return platform::testing::WaitingAtFileGate() == 100; });
    host->Abandon();
    platform::testing::OpenFileGate();
    ASSERT_TRUE(bAllHeld);
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return platform::testing::RunningWorkerThreads() == nBefore; }));
    EXPECT_EQ(100u, ListFiles(m_dir.File("released")).size());
}

} // namespace
