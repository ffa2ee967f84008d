// Whole-process measures of the generator object: a batch of 1,000 requests (with waits woken
// at once, with pure polling, and against the engine alone), the latency of GenerateHTML while
// 100 jobs run, how long after the last hand-back pagewright_wait returns with 100 jobs running,
// and resident memory with 1,000 jobs in flight. Prints Markdown.
//
//   pagewright_batch_bench [--skip-polling]
//   pagewright_batch_bench --batch-table-only  (the batch's table and nothing else)
//   pagewright_batch_bench --batch-only N      (N woken batches and nothing else, for a profiler)
//   pagewright_batch_bench --wait-only         (the wait's section and nothing else)
//
// Pages go to a new directory under TMPDIR (else /tmp).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <pagewright/pagewright.h>

#include "BenchInputs.h"
#include "component/Pagewright.h"
#include "engine/GenThread.h"
#include "platform/bstr.h"
#include "platform/faults.h"
#include "platform/strconv.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kBatch = 1000;
constexpr int kRounds = 5;
// The bounds the batch is judged against.
constexpr double kMaxBatchVsFloor = 1.25;
constexpr double kMaxP99Micros = 1000;
constexpr double kMaxInFlightMB = 64;
constexpr int kHeldJobs = 100;
constexpr int kWaitRounds = 200;
// A polling host, for comparison: what tests/package/consumer did before the C++ API.
constexpr unsigned kHostPollMs = 10;

double SecondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

using Bstr = platform::ScopedBstr;

struct Request {
    Bstr text, form, section;
};

IPagewright* NewGenerator() {
    IPagewright* p = nullptr;
    if (FAILED(CreatePagewright(IID_IPagewright, reinterpret_cast<void**>(&p)))) {
        std::fprintf(stderr, "cannot create the generator object\n");
        std::exit(1);
    }
    return p;
}

void WaitFinished(IPagewright* p) {
    for (LONG bDone = 0; p->IsGeneratingFinished(&bDone), !bDone;)
        platform::SleepMs(1);
}

// Queue, poll to finished, read every name, Reset: what a host does with a batch.
// *pdQueued (if given) receives the time the GenerateHTML calls took.
double RunBatch(const Request& req, int nRequests, int* pnMade, double* pdQueued = nullptr) {
    IPagewright* p = NewGenerator();
    const auto t0 = Clock::now();
    std::vector<int> arrIndexes(static_cast<std::size_t>(nRequests));
    for (int& nIndex : arrIndexes)
        p->GenerateHTML(req.text.Get(), req.form.Get(), req.section.Get(), &nIndex);
    if (pdQueued)
        *pdQueued = SecondsSince(t0);
    WaitFinished(p);
    int nMade = 0;
    for (int nIndex : arrIndexes) {
        BSTR bstr = nullptr;
        p->GetHTMLFileName(nIndex, &bstr);
        nMade += SysStringLen(bstr) > 0 ? 1 : 0;
        SysFreeString(bstr);
    }
    p->Reset();
    const double dSeconds = SecondsSince(t0);
    p->Release();
    *pnMade = nMade;
    return dSeconds;
}

// The same work on one thread, without the object: every page made, then every page deleted
// (what the batch's Reset does). *pdDeleting receives the time the deleting took.
double RunDirect(const std::string& strText, const std::string& strForm, int nRequests,
                 double* pdDeleting) {
    std::vector<std::string> arrPages;
    arrPages.reserve(static_cast<std::size_t>(nRequests));
    const auto t0 = Clock::now();
    for (int i = 0; i < nRequests; ++i) {
        CGenThread job(nullptr, strText, strForm, "LAYOUT", i);
        job.GeneratePage();
        arrPages.push_back(std::move(job.m_strResultFile));
    }
    const auto tMade = Clock::now();
    for (const std::string& strPage : arrPages)
        ::unlink(strPage.c_str());
    *pdDeleting = SecondsSince(tMade);
    return SecondsSince(t0);
}

double Median(std::vector<double> arr) {
    std::sort(arr.begin(), arr.end());
    return arr[arr.size() / 2];
}

// Queues nJobs requests whose form file is a FIFO, so every job waits in its open until the
// FIFO is written: all of them are in flight at once. Returns the generator, still busy.
IPagewright* HoldJobs(const std::string& strFifo, const std::string& strText, int nJobs) {
    IPagewright* p = NewGenerator();
    Request held{Bstr(strText), Bstr(strFifo), Bstr("LAYOUT")};
    for (int i = 0; i < nJobs; ++i) {
        int nIndex;
        p->GenerateHTML(held.text.Get(), held.form.Get(), held.section.Get(), &nIndex);
    }
    // Each worker has started before the next GenerateHTML returned; give the last ones time
    // to reach their open.
    platform::SleepMs(200);
    return p;
}

void ReleaseJobs(IPagewright* p, const std::string& strFifo) {
    // Opening the FIFO for writing lets every waiting reader through; closing it gives them
    // the end of the file, so those jobs finish without a page.
    const int fd = ::open(strFifo.c_str(), O_WRONLY);
    ::close(fd);
    WaitFinished(p);
    p->Reset();
    p->Release();
}

// How long after the last hand-back of kHeldJobs jobs the host returns from its waits (see Host),
// in microseconds, one figure per round. The jobs
// wait at the file gate, all in flight; one thread sleeps in pagewright_wait, another spins on
// pagewright_wait(g, 0), which sees the last hand-back as soon as the lock is free after it; the
// gate opens, and the waiter's return is timed from the spinner's sighting.
enum class Host {
    kWaitAll,  // one thread in pagewright_wait(g, -1)
    kPolling,  // one thread calling pagewright_wait(g, 0) every kHostPollMs
    kOwnWaits, // a thread per request in pagewright_wait_request(g, i, -1); the last one's return
};

std::vector<double> WaitAfterLastHandBack(const std::string& strText, const std::string& strForm,
                                          Host host, int nRounds) {
    std::vector<double> arrMicros;
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        pagewright_generator* g = pagewright_new();
        platform::testing::CloseFileGate();
        for (int i = 0; i < kHeldJobs; ++i)
            pagewright_generate(g, strText.data(), strText.size(), strForm.c_str(), "LAYOUT");
        while (platform::testing::WaitingAtFileGate() < kHeldJobs)
            platform::SleepMs(1);
        Clock::time_point tSeen;
        std::vector<Clock::time_point> arrReturned(host == Host::kOwnWaits ? kHeldJobs : 1);
        std::vector<std::thread> waiters;
        for (std::size_t i = 0; i < arrReturned.size(); ++i)
            waiters.emplace_back([&, i] {
                if (host == Host::kOwnWaits)
                    pagewright_wait_request(g, static_cast<int>(i), -1);
                else if (host == Host::kPolling)
                    while (pagewright_wait(g, 0) != 1)
                        platform::SleepMs(kHostPollMs);
                else
                    pagewright_wait(g, -1);
                arrReturned[i] = Clock::now();
            });
        std::thread spinner([&] {
            while (pagewright_wait(g, 0) != 1)
                std::this_thread::yield(); // leaves the core to the waiter when it wakes
            tSeen = Clock::now();
        });
        // The waiter is asleep in its wait by now; the rounds spread over a polling host's phase.
        platform::SleepMs(5 + static_cast<unsigned>(nRound) % kHostPollMs);
        platform::testing::OpenFileGate();
        for (std::thread& waiter : waiters)
            waiter.join();
        spinner.join();
        const Clock::time_point tReturned =
            *std::max_element(arrReturned.begin(), arrReturned.end());
        arrMicros.push_back(std::chrono::duration<double, std::micro>(tReturned - tSeen).count());
        pagewright_reset(g);
        pagewright_destroy(g);
    }
    platform::testing::ClearFaults();
    std::sort(arrMicros.begin(), arrMicros.end());
    return arrMicros;
}

// The wait's section; returns its 99th percentile in microseconds.
double PrintWaitSection(const std::string& strText, const std::string& strForm) {
    const std::vector<double> arrWoken =
        WaitAfterLastHandBack(strText, strForm, Host::kWaitAll, kWaitRounds);
    const std::vector<double> arrOwn =
        WaitAfterLastHandBack(strText, strForm, Host::kOwnWaits, kWaitRounds / 4);
    const std::vector<double> arrPolled =
        WaitAfterLastHandBack(strText, strForm, Host::kPolling, kWaitRounds / 4);
    const auto at = [](const std::vector<double>& arr, int nPercent) {
        return arr[arr.size() * static_cast<std::size_t>(nPercent) / 100];
    };
    std::printf("\n## pagewright_wait after the last hand-back, %d jobs running\n\n"
                "Each round queues %d requests through the C API, holds all their jobs at once, "
                "lets them go and measures how long after the last job handed its result back "
                "(as a thread spinning on pagewright_wait(g, 0) first sees it) the waiting host "
                "returns. Below 0: the waiter was back before the spinner saw it.\n\n"
                "| host | rounds | median | 99th percentile | longest |\n|---|---|---|---|---|\n",
                kHeldJobs, kHeldJobs);
    std::printf("| pagewright_wait(g, -1) | %zu | %.0f us | %.0f us | %.0f us |\n", arrWoken.size(),
                at(arrWoken, 50), at(arrWoken, 99), arrWoken.back());
    std::printf("| %d threads, each in pagewright_wait_request(g, i, -1) for its own request, "
                "the last one back | %zu | %.0f us | %.0f us | %.0f us |\n",
                kHeldJobs, arrOwn.size(), at(arrOwn, 50), at(arrOwn, 99), arrOwn.back());
    std::printf("| polling pagewright_wait(g, 0) every %u ms | %zu | %.0f us | %.0f us | %.0f us "
                "|\n",
                kHostPollMs, arrPolled.size(), at(arrPolled, 50), at(arrPolled, 99),
                arrPolled.back());
    return at(arrWoken, 99);
}

} // namespace

int main(int argc, char** argv) {
    const bool bSkipPolling = argc > 1 && std::strcmp(argv[1], "--skip-polling") == 0;
    const bool bTableOnly = argc > 1 && std::strcmp(argv[1], "--batch-table-only") == 0;
    const bool bWaitOnly = argc > 1 && std::strcmp(argv[1], "--wait-only") == 0;
    const int nBatchOnly =
        argc > 2 && std::strcmp(argv[1], "--batch-only") == 0 ? std::atoi(argv[2]) : 0;
    const fs::path dir =
        fs::temp_directory_path() / ("pagewright-batch-" + std::to_string(::getpid()));
    fs::create_directories(dir / "pages");
    const std::string strPages = (dir / "pages").string();
    const std::string strForm = (dir / "form.frm").string();
    const std::string strFifo = (dir / "held.frm").string();
    std::size_t nBlocks = 0;
    const std::string strText = benchinputs::SectionText(2000, &nBlocks);
    benchinputs::WriteWholeFile(strForm, benchinputs::SectionForm(strPages, nBlocks));
    ::mkfifo(strFifo.c_str(), 0600);
    const Request req{Bstr(strText), Bstr(strForm), Bstr("LAYOUT")};
    if (bWaitOnly) {
        PrintWaitSection(strText, strForm);
        std::error_code ec;
        fs::remove_all(dir, ec);
        return 0;
    }

    if (!bTableOnly)
        std::printf("## Batch of %d requests\n\n", kBatch);
    std::printf("Each request: a %zu-byte text laid out by a section (page of about 4 KB). "
                "Batch = queue all, poll IsGeneratingFinished every 1 ms, read every name, "
                "Reset (which deletes the pages). The pages are written in %s.\n\n",
                strText.size(), dir.parent_path().c_str());
    int nMade = 0;
    RunBatch(req, 50, &nMade); // warm-up
    if (nBatchOnly > 0) {
        for (int i = 0; i < nBatchOnly; ++i) {
            double dQueued = 0;
            const double dBatch = RunBatch(req, kBatch, &nMade, &dQueued);
            std::printf("batch %d: %.1f ms (queueing %.1f ms), %d pages\n", i, dBatch * 1e3,
                        dQueued * 1e3, nMade);
        }
        std::error_code ec;
        fs::remove_all(dir, ec);
        return 0;
    }
    // The file system's speed drifts from second to second on a shared machine (deleted files
    // are still being written back, directories grow): the floor and the batch take turns, and
    // each gets the median of its rounds.
    // Requests whose form file is missing fail as soon as their job starts: what is left is
    // the object's and the threads' own cost.
    const Request failing{Bstr(strText), Bstr((dir / "missing.frm").string()), Bstr("LAYOUT")};
    std::vector<double> arrWoken, arrDirect, arrDeleting, arrFailing;
    int nMadeWoken = kBatch;
    for (int nRound = 0; nRound < kRounds; ++nRound) {
        double dDeleting = 0;
        arrDirect.push_back(RunDirect(strText, strForm, kBatch, &dDeleting));
        arrDeleting.push_back(dDeleting);
        arrWoken.push_back(RunBatch(req, kBatch, &nMade));
        nMadeWoken = std::min(nMadeWoken, nMade);
        arrFailing.push_back(RunBatch(failing, kBatch, &nMade));
    }
    const double dDirect = Median(arrDirect);
    const double dDeleting = Median(arrDeleting);
    const double dWoken = Median(arrWoken);
    const double dFailing = Median(arrFailing);
    std::printf("The floor does the same work on one thread without the object: it makes the "
                "%d pages, then deletes them as Reset does. Each row is the median of %d rounds, "
                "the floor and the batch taking turns; *pages made* is the fewest of the "
                "rounds.\n\n",
                kBatch, kRounds);
    std::printf("| run | time | pages made | ratio |\n|---|---|---|---|\n");
    std::printf("| engine alone, one thread, %d pages made and deleted (floor) | %.1f ms | %d | "
                "1.0x |\n",
                kBatch, dDirect * 1e3, kBatch);
    std::printf("| of which deleting the pages | %.1f ms | | |\n", dDeleting * 1e3);
    std::printf("| IPagewright, waits woken at once | %.1f ms | %d | %.2fx the floor |\n",
                dWoken * 1e3, nMadeWoken, dWoken / dDirect);
    std::printf("| IPagewright, waits woken at once, every request failing at once (missing form "
                "file) | %.1f ms | 0 | %.2fx the floor |\n",
                dFailing * 1e3, dFailing / dDirect);
    if (bTableOnly) {
        std::error_code ec;
        fs::remove_all(dir, ec);
        return 0;
    }
    if (!bSkipPolling) {
        platform::testing::SetPurePolling(true);
        const double dPolling = RunBatch(req, kBatch, &nMade);
        platform::testing::SetPurePolling(false);
        std::printf("| IPagewright, pure 100 ms / 50 ms polling | %.1f ms | %d | %.2fx the floor; "
                    "waking is %.0fx faster |\n",
                    dPolling * 1e3, nMade, dPolling / dDirect, dPolling / dWoken);
    }

    // Latency of one GenerateHTML call while 100 jobs are in flight.
    IPagewright* pBusy = HoldJobs(strFifo, strText, 100);
    IPagewright* p = NewGenerator();
    std::vector<double> arrMicros;
    for (int i = 0; i < kBatch; ++i) {
        int nIndex;
        const auto t0 = Clock::now();
        p->GenerateHTML(req.text.Get(), req.form.Get(), req.section.Get(), &nIndex);
        arrMicros.push_back(SecondsSince(t0) * 1e6);
    }
    WaitFinished(p);
    p->Reset();
    p->Release();
    ReleaseJobs(pBusy, strFifo);
    std::sort(arrMicros.begin(), arrMicros.end());
    std::printf("\n## GenerateHTML while 100 jobs run\n\n%d calls on a second object, one after "
                "the other: median %.0f us, 99th percentile %.0f us, longest %.0f us.\n",
                kBatch, arrMicros[arrMicros.size() / 2], arrMicros[arrMicros.size() * 99 / 100],
                arrMicros.back());
    const double dWaitP99 = PrintWaitSection(strText, strForm);

    // Resident memory with 1,000 jobs in flight, each with a 10 KB text.
    const std::string strTenKB = benchinputs::SectionText(10'000, &nBlocks);
    const long nIdle = benchinputs::ResidentKiB();
    IPagewright* pHeld = HoldJobs(strFifo, strTenKB, kBatch);
    const long nBusy = benchinputs::ResidentKiB();
    ReleaseJobs(pHeld, strFifo);
    const long nPeak = benchinputs::PeakResidentKiB();
    std::printf("\n## Memory with %d jobs in flight\n\nEach job holds a %zu-byte text. Resident "
                "before: %.1f MB; with all jobs in flight: %.1f MB (+%.1f MB, %.1f KB a job); "
                "peak of the whole run: %.1f MB.\n",
                kBatch, strTenKB.size(), nIdle / 1024.0, nBusy / 1024.0, (nBusy - nIdle) / 1024.0,
                static_cast<double>(nBusy - nIdle) / kBatch, nPeak / 1024.0);

    const double dP99 = arrMicros[arrMicros.size() * 99 / 100];
    const double dInFlightMB = (nBusy - nIdle) / 1024.0;
    const auto verdict = [](bool bMet) { return bMet ? "met" : "missed"; };
    std::printf("\n### Targets of the batch\n\n| target | this run | bound | verdict |\n"
                "|---|---|---|---|\n");
    std::printf("| batch of %d requests, waits woken at once / the one-thread floor | %.2fx | "
                "at most %.2fx | %s |\n",
                kBatch, dWoken / dDirect, kMaxBatchVsFloor,
                verdict(dWoken / dDirect <= kMaxBatchVsFloor));
    std::printf("| GenerateHTML while 100 jobs run, 99th percentile | %.0f us | under %.0f us | "
                "%s |\n",
                dP99, kMaxP99Micros, verdict(dP99 < kMaxP99Micros));
    std::printf("| pagewright_wait after the last hand-back, %d jobs running, 99th percentile | "
                "%.0f us | under %.0f us | %s |\n",
                kHeldJobs, dWaitP99, kMaxP99Micros, verdict(dWaitP99 < kMaxP99Micros));
    std::printf("| resident memory added by %d jobs in flight | %.1f MB | under %.0f MB | %s |\n",
                kBatch, dInFlightMB, kMaxInFlightMB, verdict(dInFlightMB < kMaxInFlightMB));

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
