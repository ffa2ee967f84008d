#include "platform/thread.h"

#include <atomic>
#include <new>

#include "platform/faults.h"
#include "platform/osapi.h"

namespace platform {

namespace {

std::atomic<int> g_nFailingStarts{0};

bool ConsumeInjectedFailure() {
    int n = g_nFailingStarts.load();
    while (n > 0) {
        if (g_nFailingStarts.compare_exchange_weak(n, n - 1))
            return true;
    }
    return false;
}

// Every worker runs through here, so tests can tell when the last one has left.
struct CountedStart {
    ThreadProc proc;
    void* pParam;
};

unsigned CountedEntry(void* pRaw) {
    const CountedStart start = *static_cast<CountedStart*>(pRaw);
    delete static_cast<CountedStart*>(pRaw);
    const unsigned nResult = start.proc(start.pParam);
    faults::WorkerEnded();
    return nResult;
}

} // namespace

bool StartWorkerThread(ThreadProc proc, void* pParam) {
    if (ConsumeInjectedFailure())
        return false;
    auto* pStart = new (std::nothrow) CountedStart{proc, pParam};
    if (!pStart)
        return false;
    faults::WorkerStarted();
    if (!os::StartSystemThread(CountedEntry, pStart)) {
        faults::WorkerEnded();
        delete pStart;
        return false;
    }
    return true;
}

namespace testing {
void FailNextThreadStarts(int nCount) {
    g_nFailingStarts.store(nCount < 0 ? 0 : nCount);
}
} // namespace testing

} // namespace platform
