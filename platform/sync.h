// The lock of a generator object and the condition variable its waits sleep on.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <condition_variable>
#include <mutex>
#endif

namespace platform {

class Mutex {
public:
    Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    ~Mutex();
    void Lock();
    void Unlock();

private:
    friend class ConditionVariable;
#ifdef _WIN32
    SRWLOCK m_lock;
#else
    std::mutex m_mutex;
#endif
};

class MutexLock {
public:
    explicit MutexLock(Mutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    ~MutexLock() { m_mutex.Unlock(); }

private:
    Mutex& m_mutex;
};

class ConditionVariable {
public:
    ConditionVariable();
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;
    ~ConditionVariable();
    // Called with mutex held; releases it while sleeping and holds it again on return. Returns
    // after a NotifyAll, after nMilliseconds, or spuriously: callers look at their condition again.
    void WaitFor(Mutex& mutex, unsigned nMilliseconds);
    void NotifyAll();
    // Wakes one waiter at least: for a change that only one of them can act on.
    void NotifyOne();

private:
    // WaitFor as the system does it (platform/posix, platform/win32).
    void WaitForSystem(Mutex& mutex, unsigned nMilliseconds);

#ifdef _WIN32
    CONDITION_VARIABLE m_cv;
#else
    std::condition_variable m_cv;
#endif
};

namespace testing {
// Pure polling: while on, waits are not woken by NotifyAll but sleep their full time before
// their callers look again. The baseline against which the batch benchmark measures wake-ups.
void SetPurePolling(bool bOn);
} // namespace testing

} // namespace platform
