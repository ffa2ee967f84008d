// The generator object as a host sees it: requests, results, Reset and the object's lifetime,
// through IPagewright on real form files and pages in temporary directories.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <latch>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "component/Pagewright.h"
#include "platform/bstr.h"
#include "platform/strconv.h"
#include "platform/thread.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::FileExists;
using testsupport::ListFiles;
using testsupport::ReadFile;
using testsupport::WriteFile;

constexpr auto kDeadline = 10s;
const std::string kHead =
    "<html><head><title>User Notification</title></head><body bgcolor=\"#FFFFFF\">";

std::string Page(const std::string& body) {
    return kHead + body + "</body></html>";
}

template <class Pred> bool WaitUntil(Pred pred) {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Runs fn on a thread of its own, so that a call that never returns fails the test instead of
// hanging it.
std::future<void> Start(std::function<void()> fn) {
    auto done = std::make_shared<std::promise<void>>();
    auto future = done->get_future();
    std::thread([done, fn = std::move(fn)] {
        fn();
        done->set_value();
    }).detach();
    return future;
}

bool FinishesInTime(std::function<void()> fn) {
    return Start(std::move(fn)).wait_for(kDeadline) == std::future_status::ready;
}

// A BSTR made from 8-bit text, owned for the length of one call.
class Bstr {
public:
    explicit Bstr(const std::string& text) : m_b(platform::BstrFromAnsi(text)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(m_b); }
    operator BSTR() const { return m_b; }

private:
    BSTR m_b;
};

// A form file that is a FIFO: a job reading it is held in its first step until Feed hands over
// the text, which makes "a job still running" a state the test controls.
class HeldForm {
public:
    explicit HeldForm(std::string path) : m_path(std::move(path)) {
        EXPECT_EQ(0, ::mkfifo(m_path.c_str(), 0600));
    }
    // A job still held gets an empty form, so that it ends instead of waiting forever.
    ~HeldForm() {
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    const std::string& Path() const { return m_path; }
    void Feed(const std::string& text) const {
        int fd = -1;
        // Opening without blocking succeeds only once a job has the FIFO open for reading.
        ASSERT_TRUE(WaitUntil([&] {
            fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
            return fd >= 0;
        })) << "no job opened "
            << m_path;
        ::fcntl(fd, F_SETFL, 0);
        EXPECT_EQ(static_cast<ssize_t>(text.size()), ::write(fd, text.data(), text.size()));
        ::close(fd);
    }

private:
    std::string m_path;
};

// One reference on a generator object, with the calls a host makes.
class Generator {
public:
    Generator() {
        EXPECT_EQ(S_OK, CreatePagewright(IID_IPagewright, reinterpret_cast<void**>(&m_p)));
    }
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;
    // Jobs must not outlive the directories they write into.
    ~Generator() {
        EXPECT_TRUE(WaitFinished());
        m_p->Release();
    }
    IPagewright* operator->() const { return m_p; }

    int Generate(const std::string& text, const std::string& form, const std::string& section) {
        int nIndex = -1;
        EXPECT_EQ(S_OK, m_p->GenerateHTML(Bstr(text), Bstr(form), Bstr(section), &nIndex));
        return nIndex;
    }
    LONG Finished() {
        LONG bFinished = -1;
        EXPECT_EQ(S_OK, m_p->IsGeneratingFinished(&bFinished));
        return bFinished;
    }
    bool WaitFinished() {
        return WaitUntil([&] { return Finished() == 1; });
    }
    std::string Name(int nIndex) {
        BSTR b = nullptr;
        EXPECT_EQ(S_OK, m_p->GetHTMLFileName(nIndex, &b));
        EXPECT_NE(nullptr, b);
        std::string name = platform::BstrToAnsi(b);
        SysFreeString(b);
        return name;
    }

private:
    IPagewright* m_p = nullptr;
};

class PagewrightTest : public ::testing::Test {
protected:
    PagewrightTest() {
        std::filesystem::create_directory(m_dest);
        WriteFile(m_form, FormText());
    }
    std::string FormText() const {
        return "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" + m_dest + "\n[MAIN]\n<LINE>\n";
    }
    // Page names carry the fixed clock's 4 December 2026, 08:07:28 and the request index.
    std::string Expected(int nIndex) const {
        return m_dest + "/HTML20262122428272282" + std::to_string(nIndex) + "2.htm";
    }

    testsupport::TempDir m_tmp;
    // Non-ASCII paths check the trip from BSTR to 8-bit text and back.
    std::string m_dest = m_tmp.File("Seiten-\xC3\xBC");
    std::string m_form = m_tmp.File("form-\xC3\xA4.frm");
    testsupport::FixedClock m_clock{platform::LocalDateTime{2026, 12, 4, 8, 7, 28}};
    Generator m_gen; // last, so its jobs finish before the clock and directories go
};

TEST_F(PagewrightTest, NewObjectIsIdle) {
    EXPECT_EQ(1, m_gen.Finished());
    EXPECT_EQ("", m_gen.Name(0));
    EXPECT_TRUE(FinishesInTime([&] { EXPECT_EQ(S_OK, m_gen->Reset()); }));
}

TEST_F(PagewrightTest, EachRequestMakesItsOwnPage) {
    struct Case {
        const char* text;
        const char* section;
        std::string body;
    };
    const std::vector<Case> cases = {
        {"Hello", "OTHER", "<p>Hello</p>"},
        {"Hello", "OTHER", "<p>Hello</p>"}, // same inputs: a page of its own
        {"Hello", "MAIN", "<hr>"},
        {"<<>>Hi", "MAIN", "<p>Hi</p>"}, // names its own styles: the section plays no part
        {"Gr\xC3\xBCn", "OTHER", "<p>Gr\xC3\xBCn</p>"}, // 8-bit text as the host wrote it
    };
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(static_cast<int>(i), m_gen.Generate(cases[i].text, m_form, cases[i].section));
    ASSERT_TRUE(m_gen.WaitFinished());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const int nIndex = static_cast<int>(i);
        ASSERT_EQ(Expected(nIndex), m_gen.Name(nIndex));
        EXPECT_EQ(Page(cases[i].body), ReadFile(Expected(nIndex)));
    }
    EXPECT_EQ(cases.size(), ListFiles(m_dest).size());
}

TEST_F(PagewrightTest, IndexesFollowCallsResultsFollowCompletion) {
    HeldForm first(m_tmp.File("first.frm")), second(m_tmp.File("second.frm"));
    EXPECT_EQ(0, m_gen.Generate("Alpha", first.Path(), "OTHER"));
    EXPECT_EQ(1, m_gen.Generate("Beta", second.Path(), "OTHER"));
    EXPECT_EQ(2, m_gen.Generate("Gamma", m_form, "OTHER"));

    ASSERT_TRUE(WaitUntil([&] { return !m_gen.Name(2).empty(); }));
    EXPECT_EQ("", m_gen.Name(0));
    EXPECT_EQ("", m_gen.Name(1));
    EXPECT_EQ(0, m_gen.Finished());

    second.Feed(FormText());
    ASSERT_TRUE(WaitUntil([&] { return !m_gen.Name(1).empty(); }));
    EXPECT_EQ("", m_gen.Name(0));
    EXPECT_EQ(0, m_gen.Finished());

    first.Feed(FormText());
    ASSERT_TRUE(m_gen.WaitFinished());
    const char* texts[] = {"Alpha", "Beta", "Gamma"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Expected(i), m_gen.Name(i));
        EXPECT_EQ(Page(std::string("<p>") + texts[i] + "</p>"), ReadFile(Expected(i)));
    }
    EXPECT_EQ("", m_gen.Name(3));
    EXPECT_EQ("", m_gen.Name(-1));
}

TEST_F(PagewrightTest, FailedRequestsCompleteWithTheEmptyName) {
    const std::string system = "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=";
    const std::string good = system + m_dest + "\n";
    struct Case {
        const char* name;
        std::optional<std::string> form; // none: no file at that path
        const char* text;
    };
    const std::vector<Case> cases = {
        {"no form file", std::nullopt, "Hello"},
        {"no SYSTEM section", "[MAIN]\n<LINE>\n", "Hello"},
        {"default style without brackets", "[SYSTEM]\nDEFAULT_STYLE=BODY\n", "Hello"},
        {"data line before any header", "x=1\n" + good, "Hello"},
        {"no destination", "[SYSTEM]\nDEFAULT_STYLE=<<>>\n", "Hello"},
        {"destination missing", system + m_tmp.File("missing") + "\n", "Hello"},
        {"list end first", good, "<LE>Hello"},
        {"list never closed", good, "<LB>Alpha"},
        {"no words", good, "   "},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::string path = m_tmp.File("f" + std::to_string(i) + ".frm");
        if (cases[i].form)
            WriteFile(path, *cases[i].form);
        EXPECT_EQ(static_cast<int>(i), m_gen.Generate(cases[i].text, path, "OTHER"));
    }
    ASSERT_TRUE(m_gen.WaitFinished());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ("", m_gen.Name(static_cast<int>(i)));
    }
    EXPECT_TRUE(ListFiles(m_dest).empty());
}

TEST_F(PagewrightTest, NullStringsReadAsEmpty) {
    int nIndex = -1;
    EXPECT_EQ(S_OK, m_gen->GenerateHTML(nullptr, Bstr(m_form), Bstr("MAIN"), &nIndex));
    EXPECT_EQ(0, nIndex);
    EXPECT_EQ(S_OK, m_gen->GenerateHTML(Bstr("Hello"), nullptr, Bstr("MAIN"), &nIndex));
    EXPECT_EQ(1, nIndex);
    EXPECT_EQ(S_OK, m_gen->GenerateHTML(Bstr("Hello"), Bstr(m_form), nullptr, &nIndex));
    EXPECT_EQ(2, nIndex);
    ASSERT_TRUE(m_gen.WaitFinished());
    EXPECT_EQ("", m_gen.Name(0)); // no words
    EXPECT_EQ("", m_gen.Name(1)); // no form file
    ASSERT_EQ(Expected(2), m_gen.Name(2));
    EXPECT_EQ(Page("<p>Hello</p>"), ReadFile(Expected(2))); // no section of the empty name

    // The result pointer is out only: what it held before is the caller's business.
    BSTR mine = SysAllocString(u"mine");
    BSTR result = mine;
    EXPECT_EQ(S_OK, m_gen->GetHTMLFileName(2, &result));
    EXPECT_EQ(Expected(2), platform::BstrToAnsi(result));
    EXPECT_EQ(u"mine", std::u16string(mine, SysStringLen(mine)));
    SysFreeString(result);
    SysFreeString(mine);
}

TEST_F(PagewrightTest, ResetWaitsForRunningJobsThenDeletesAllPages) {
    EXPECT_EQ(0, m_gen.Generate("Alpha", m_form, "OTHER"));
    ASSERT_TRUE(m_gen.WaitFinished());
    HeldForm held(m_tmp.File("held.frm"));
    EXPECT_EQ(1, m_gen.Generate("Beta", held.Path(), "OTHER"));

    auto reset = Start([&] { EXPECT_EQ(S_OK, m_gen->Reset()); });
    // The job is held on its form file, so Reset cannot be back yet.
    EXPECT_EQ(std::future_status::timeout, reset.wait_for(100ms));
    held.Feed(FormText());
    ASSERT_EQ(std::future_status::ready, reset.wait_for(kDeadline));

    EXPECT_TRUE(ListFiles(m_dest).empty());
    EXPECT_EQ(1, m_gen.Finished());
    EXPECT_EQ("", m_gen.Name(0));
    EXPECT_EQ("", m_gen.Name(1));

    EXPECT_EQ(0, m_gen.Generate("Gamma", m_form, "OTHER"));
    ASSERT_TRUE(m_gen.WaitFinished());
    EXPECT_EQ(Expected(0), m_gen.Name(0));
    EXPECT_EQ(Page("<p>Gamma</p>"), ReadFile(Expected(0)));
    EXPECT_EQ("", m_gen.Name(1));
}

TEST_F(PagewrightTest, ResetLogsAPageSomeoneElseDeleted) {
    EXPECT_EQ(0, m_gen.Generate("Alpha", m_form, "OTHER"));
    EXPECT_EQ(1, m_gen.Generate("<LE>Beta", m_form, "OTHER")); // fails: nothing to delete
    EXPECT_EQ(2, m_gen.Generate("Gamma", m_form, "OTHER"));
    ASSERT_TRUE(m_gen.WaitFinished());
    ASSERT_TRUE(FileExists(Expected(0)));
    ASSERT_TRUE(FileExists(Expected(2)));
    std::filesystem::remove(Expected(0));

    testsupport::VellumCapture log;
    EXPECT_EQ(S_OK, m_gen->Reset());
    const auto entries = log.Entries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(248, entries[0].nLine);
    EXPECT_EQ("Pagewright", entries[0].strSource);
    EXPECT_EQ(-1, entries[0].nLevel);
    EXPECT_EQ("Could Not Delete File!", entries[0].strMessage);
    EXPECT_FALSE(FileExists(Expected(2)));
}

TEST_F(PagewrightTest, ConcurrentCallersGetDistinctIndexesAndTheirOwnPages) {
    constexpr int kThreads = 8, kPerThread = 6;
    std::mutex mutex;
    std::map<int, std::string> textOf;
    std::latch start(kThreads);
    std::vector<std::thread> hosts;
    for (int t = 0; t < kThreads; ++t) {
        hosts.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int i = 0; i < kPerThread; ++i) {
                const std::string text = "T" + std::to_string(t) + "-" + std::to_string(i);
                const int nIndex = m_gen.Generate(text, m_form, "OTHER");
                std::lock_guard lock(mutex);
                EXPECT_TRUE(textOf.emplace(nIndex, text).second) << "index twice: " << nIndex;
            }
        });
    }
    for (auto& host : hosts)
        host.join();
    ASSERT_EQ(static_cast<size_t>(kThreads * kPerThread), textOf.size());
    EXPECT_EQ(0, textOf.begin()->first);
    EXPECT_EQ(kThreads * kPerThread - 1, textOf.rbegin()->first);

    ASSERT_TRUE(m_gen.WaitFinished());
    for (const auto& [nIndex, text] : textOf) {
        ASSERT_EQ(Expected(nIndex), m_gen.Name(nIndex));
        EXPECT_EQ(Page("<p>" + text + "</p>"), ReadFile(Expected(nIndex)));
    }
}

TEST_F(PagewrightTest, ReleasedObjectStillFinishesItsJobs) {
    IPagewright* p = nullptr;
    ASSERT_EQ(S_OK, CreatePagewright(IID_IPagewright, reinterpret_cast<void**>(&p)));
    HeldForm held(m_tmp.File("held.frm"));
    int nIndex = -1;
    EXPECT_EQ(S_OK, p->GenerateHTML(Bstr("Alpha"), Bstr(held.Path()), Bstr("OTHER"), &nIndex));
    p->Release();
    held.Feed(FormText());
    EXPECT_TRUE(WaitUntil(
        [&] { return FileExists(Expected(0)) && ReadFile(Expected(0)) == Page("<p>Alpha</p>"); }));
}

TEST_F(PagewrightTest, ThreadThatCannotStartLeavesTheObjectUsable) {
    EXPECT_EQ(0, m_gen.Generate("Alpha", m_form, "OTHER"));
    ASSERT_TRUE(m_gen.WaitFinished());

    platform::testing::FailNextThreadStarts(1);
    int nIndex = -1;
    EXPECT_TRUE(FAILED(m_gen->GenerateHTML(Bstr("Beta"), Bstr(m_form), Bstr("OTHER"), &nIndex)));
    EXPECT_EQ(1, m_gen.Finished());

    ASSERT_TRUE(FinishesInTime([&] { nIndex = m_gen.Generate("Gamma", m_form, "OTHER"); }));
    EXPECT_EQ(1, nIndex);
    ASSERT_TRUE(m_gen.WaitFinished());
    EXPECT_EQ(Expected(1), m_gen.Name(1));
    EXPECT_EQ(Page("<p>Gamma</p>"), ReadFile(Expected(1)));
    ASSERT_TRUE(FinishesInTime([&] { m_gen->Reset(); }));
    EXPECT_TRUE(ListFiles(m_dest).empty());
}

TEST_F(PagewrightTest, NullOutPointersAreRefused) {
    EXPECT_EQ(E_POINTER, m_gen->GenerateHTML(Bstr("Hello"), Bstr(m_form), Bstr("OTHER"), nullptr));
    EXPECT_EQ(E_POINTER, m_gen->IsGeneratingFinished(nullptr));
    EXPECT_EQ(E_POINTER, m_gen->GetHTMLFileName(0, nullptr));
    EXPECT_EQ(E_POINTER, m_gen->QueryInterface(IID_IUnknown, nullptr));
    // A refused request queues nothing: the next one is still the first.
    EXPECT_EQ(0, m_gen.Generate("Hello", m_form, "OTHER"));
}

TEST_F(PagewrightTest, InterfacesAndErrorInfo) {
    IUnknown* pUnk = nullptr;
    IPagewright* pPagewright = nullptr;
    ISupportErrorInfo* pInfo = nullptr;
    ASSERT_EQ(S_OK, m_gen->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pUnk)));
    ASSERT_EQ(S_OK, pUnk->QueryInterface(IID_IPagewright, reinterpret_cast<void**>(&pPagewright)));
    ASSERT_EQ(S_OK,
              pPagewright->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&pInfo)));
    IUnknown* pBack = nullptr;
    ASSERT_EQ(S_OK, pInfo->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pBack)));
    EXPECT_EQ(pUnk, pBack); // one object, one identity

    EXPECT_EQ(S_OK, pInfo->InterfaceSupportsErrorInfo(IID_IPagewright));
    for (const IID* iid : {&IID_IUnknown, &IID_ISupportErrorInfo, &CLSID_Pagewright})
        EXPECT_EQ(S_FALSE, pInfo->InterfaceSupportsErrorInfo(*iid));

    void* pv = &pv;
    EXPECT_EQ(E_NOINTERFACE, pPagewright->QueryInterface(CLSID_Pagewright, &pv));
    EXPECT_EQ(nullptr, pv);
    for (IUnknown* p :
         {pBack, static_cast<IUnknown*>(pInfo), static_cast<IUnknown*>(pPagewright), pUnk})
        p->Release();
}

} // namespace
