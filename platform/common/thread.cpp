#include "platform/thread.h"

#include <atomic>

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

} // namespace

bool StartWorkerThread(ThreadProc proc, void* pParam) {
    if (ConsumeInjectedFailure())
        return false;
    return os::StartSystemThread(proc, pParam);
}

namespace testing {
void FailNextThreadStarts(int nCount) {
    g_nFailingStarts.store(nCount < 0 ? 0 : nCount);
}
} // namespace testing

} // namespace platform
