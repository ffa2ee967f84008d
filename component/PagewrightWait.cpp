// Waits that sleep until a job hands its result back (HandBackResult wakes them), with a time
// limit on the monotonic clock. A wait for every request sleeps until the last one hands back;
// a wait for one request until that request hands back, or a Reset.
#include <algorithm>
#include <chrono>
#include <new>

#include "component/Pagewright.h"

namespace {

// The longest a wait without a limit sleeps before it looks again; it is woken by every
// hand-back, so this only matters if a wake-up is missed.
constexpr unsigned kWaitPollMs = 50;

} // namespace

template <class Done>
HRESULT CPagewright::WaitForHandBack(platform::ConditionVariable& cv, LONG nTimeoutMs, Done bDone) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end =
        Clock::now() + std::chrono::milliseconds(std::max<LONG>(nTimeoutMs, 0));
    while (!bDone()) {
        unsigned nSleepMs = kWaitPollMs;
        if (nTimeoutMs >= 0) {
            const Clock::time_point now = Clock::now();
            if (now >= end)
                return S_FALSE;
            // Rounded up, so that the wait never ends before its limit.
            const auto nLeftMs = std::chrono::ceil<std::chrono::milliseconds>(end - now).count();
            nSleepMs = static_cast<unsigned>(std::min<decltype(nLeftMs)>(nLeftMs, kWaitPollMs));
        }
        cv.WaitFor(m_mutex, nSleepMs);
    }
    return S_OK;
}

HRESULT CPagewright::CWait::WaitForAll(LONG nTimeoutMs) {
    CPagewright& owner = *m_pOwner;
    platform::MutexLock lock(owner.m_mutex);
    return owner.WaitForHandBack(owner.m_allHandedBack, nTimeoutMs,
                                 [&owner] { return owner.m_nCompleted == owner.m_nIssued; });
}

HRESULT CPagewright::CWait::WaitForRequest(int nIndex, LONG nTimeoutMs) {
    CPagewright& owner = *m_pOwner;
    platform::MutexLock lock(owner.m_mutex);
    if (nIndex < 0 || nIndex >= owner.m_nIssued)
        return E_INVALIDARG;
    const std::uint64_t nResets = owner.m_nResets;
    const auto bDone = [&owner, nIndex, nResets] {
        return owner.m_nResets != nResets || owner.FindResult(nIndex) != std::string::npos;
    };
    platform::ConditionVariable handedBack;
    decltype(owner.m_requestWaits)::iterator registered;
    try {
        registered = owner.m_requestWaits.emplace(nIndex, &handedBack);
    } catch (const std::bad_alloc&) {
        // No room in the table: the wait Reset sleeps on, which every hand-back wakes, will do.
        return owner.WaitForHandBack(owner.m_jobHandedBack, nTimeoutMs, bDone);
    }
    const HRESULT hr = owner.WaitForHandBack(handedBack, nTimeoutMs, bDone);
    owner.m_requestWaits.erase(registered);
    return hr;
}
