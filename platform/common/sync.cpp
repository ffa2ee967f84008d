#include "platform/sync.h"

#include <atomic>

#include "platform/thread.h"

namespace platform {

namespace {
std::atomic<bool> g_bPurePolling{false};
} // namespace

void testing::SetPurePolling(bool bOn) {
    g_bPurePolling.store(bOn, std::memory_order_relaxed);
}

void ConditionVariable::WaitFor(Mutex& mutex, unsigned nMilliseconds) {
    if (!g_bPurePolling.load(std::memory_order_relaxed)) {
        WaitForSystem(mutex, nMilliseconds);
        return;
    }
    mutex.Unlock();
    SleepMs(nMilliseconds);
    mutex.Lock();
}

} // namespace platform
