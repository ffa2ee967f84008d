#include "platform/sync.h"

namespace platform {

// A slim reader/writer lock used only exclusively: an unnamed lock within the process, waited
// for without a time limit, that a condition variable can sleep on.
Mutex::Mutex() {
    ::InitializeSRWLock(&m_lock);
}
Mutex::~Mutex() = default;
void Mutex::Lock() {
    ::AcquireSRWLockExclusive(&m_lock);
}
void Mutex::Unlock() {
    ::ReleaseSRWLockExclusive(&m_lock);
}

ConditionVariable::ConditionVariable() {
    ::InitializeConditionVariable(&m_cv);
}
ConditionVariable::~ConditionVariable() = default;

void ConditionVariable::WaitForSystem(Mutex& mutex, unsigned nMilliseconds) {
    // On a timeout the lock is held again as well, which is all callers need.
    ::SleepConditionVariableSRW(&m_cv, &mutex.m_lock, nMilliseconds, 0);
}

void ConditionVariable::NotifyAll() {
    ::WakeAllConditionVariable(&m_cv);
}

void ConditionVariable::NotifyOne() {
    ::WakeConditionVariable(&m_cv);
}

} // namespace platform
