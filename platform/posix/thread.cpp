#include "platform/thread.h"

#include "platform/faults.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <new>
#include <pthread.h>

namespace platform {

namespace {

std::atomic<int> g_nFailingStarts{0};

struct StartBlock {
    ThreadProc proc;
    void* pParam;
};

void* ThreadEntry(void* pRaw) {
    StartBlock block = *static_cast<StartBlock*>(pRaw);
    delete static_cast<StartBlock*>(pRaw);
    block.proc(block.pParam);
    faults::WorkerEnded();
    return nullptr;
}

bool ConsumeInjectedFailure() {
    int n = g_nFailingStarts.load();
    while (n > 0) {
        if (g_nFailingStarts.compare_exchange_weak(n, n - 1))
            return true;
    }
    return false;
}

} // namespace

bool StartWorkerThread(ThreadProc proc, void* pParam) {
    if (ConsumeInjectedFailure())
        return false;
    auto* pBlock = new (std::nothrow) StartBlock{proc, pParam};
    if (!pBlock)
        return false;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) {
        delete pBlock;
        return false;
    }
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    faults::WorkerStarted();
    int nError = pthread_create(&thread, &attr, ThreadEntry, pBlock);
    pthread_attr_destroy(&attr);
    if (nError != 0) {
        faults::WorkerEnded();
        delete pBlock;
        return false;
    }
    return true;
}

void SleepMs(unsigned nMilliseconds) {
    timespec ts{static_cast<time_t>(nMilliseconds / 1000),
                static_cast<long>(nMilliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

namespace testing {
void FailNextThreadStarts(int nCount) {
    g_nFailingStarts.store(nCount < 0 ? 0 : nCount);
}
} // namespace testing

} // namespace platform
