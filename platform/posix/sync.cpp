#include "platform/sync.h"

namespace platform {

Mutex::Mutex() = default;
Mutex::~Mutex() = default;
void Mutex::Lock() {
    m_mutex.lock();
}
void Mutex::Unlock() {
    m_mutex.unlock();
}

ConditionVariable::ConditionVariable() = default;
ConditionVariable::~ConditionVariable() = default;

void ConditionVariable::WaitForSystem(Mutex& mutex, unsigned nMilliseconds) {
    // The caller holds the mutex; adopt it for the wait and hand it back still locked.
    std::unique_lock<std::mutex> lock(mutex.m_mutex, std::adopt_lock);
    m_cv.wait_for(lock, std::chrono::milliseconds(nMilliseconds));
    lock.release();
}

void ConditionVariable::NotifyAll() {
    m_cv.notify_all();
}

void ConditionVariable::NotifyOne() {
    m_cv.notify_one();
}

} // namespace platform
