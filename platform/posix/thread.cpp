#include <cerrno>
#include <ctime>
#include <new>
#include <pthread.h>

#include "platform/osapi.h"

namespace platform {

namespace {

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
