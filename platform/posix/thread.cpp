#include <cerrno>
#include <cstddef>
#include <ctime>
#include <new>
#include <pthread.h>

#include "platform/osapi.h"

namespace platform {

namespace {

// The stack of a worker. The system's default (8 MiB, from the stack limit) is far more than a job
// needs: the engine keeps its data on the heap and does not recurse. The size matters for speed:
// the C library keeps the stacks of ended threads for the next ones only up to about 40 MiB in
// all, so with 8 MiB stacks a busy batch maps, guards, faults in and unmaps a fresh stack for
// almost every request, and each unmap interrupts the other processors to flush their address
// caches. At this size some 160 stacks are kept, and a batch reuses them. The sanitizers'
// instrumented frames are several times larger.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool kSanitized = false;
#endif
constexpr std::size_t kWorkerStackBytes = (kSanitized ? 2048 : 256) * std::size_t{1024};

struct StartBlock {
    ThreadProc proc;
    void* pParam;
};

void* ThreadEntry(void* pRaw) {
    StartBlock block = *static_cast<StartBlock*>(pRaw);
    delete static_cast<StartBlock*>(pRaw);
    block.proc(block.pParam);
    return nullptr;
}

} // namespace

bool os::StartSystemThread(ThreadProc proc, void* pParam) {
    auto* pBlock = new (std::nothrow) StartBlock{proc, pParam};
    if (!pBlock)
        return false;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) {
        delete pBlock;
        return false;
    }
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    // Should the size be refused, the thread gets the default and still runs.
    pthread_attr_setstacksize(&attr, kWorkerStackBytes);
    pthread_t thread;
    int nError = pthread_create(&thread, &attr, ThreadEntry, pBlock);
    pthread_attr_destroy(&attr);
    if (nError != 0) {
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

} // namespace platform
