#include "platform/faults.h"

#include <string_view>

#include "platform/sync.h"

namespace platform {

namespace faults {
std::atomic<bool> g_bArmed{false};
} // namespace faults

namespace {

constexpr int kOps = 6;

struct OpFault {
    int nSkip = 0;
    int nCount = 0;
    int nError = 0;
    int nInjected = 0;
};

// Faults are armed rarely and only by tests, so one mutex guards all of this state; the hot
// path only reads faults::g_bArmed.
// The platform's own lock: this file is part of the Windows module too, whose runtime has no
// std::mutex.
Mutex g_mutex;
ConditionVariable g_gateOpened;
OpFault g_ops[kOps];
bool g_bGateClosed = false;
int g_nAtGate = 0;
std::string g_strJail;
std::atomic<int> g_nRunningWorkers{0};

// Called with g_mutex held.
void UpdateArmed() {
    bool bArmed = g_bGateClosed || !g_strJail.empty();
    for (const OpFault& op : g_ops)
        bArmed = bArmed || op.nCount > 0;
    faults::g_bArmed.store(bArmed, std::memory_order_relaxed);
}

OpFault& FaultOf(testing::FileOp op) {
    return g_ops[static_cast<int>(op)];
}

} // namespace

namespace testing {

void FailFileOps(FileOp op, int nCount, int nError, int nSkip) {
    MutexLock lock(g_mutex);
    FaultOf(op) = {nSkip < 0 ? 0 : nSkip, nCount < 0 ? 0 : nCount, nError, 0};
    UpdateArmed();
}

int InjectedFailures(FileOp op) {
    MutexLock lock(g_mutex);
    return FaultOf(op).nInjected;
}

void CloseFileGate() {
    MutexLock lock(g_mutex);
    g_bGateClosed = true;
    UpdateArmed();
}

void OpenFileGate() {
    {
        MutexLock lock(g_mutex);
        g_bGateClosed = false;
        UpdateArmed();
    }
    g_gateOpened.NotifyAll();
}

int WaitingAtFileGate() {
    MutexLock lock(g_mutex);
    return g_nAtGate;
}

void SetWriteJail(const std::string& strDir) {
    MutexLock lock(g_mutex);
    g_strJail = strDir;
    UpdateArmed();
}

std::string JailedPath(const std::string& strPath) {
    return faults::RedirectWrite(strPath);
}

int RunningWorkerThreads() {
    return g_nRunningWorkers.load();
}

void ClearFaults() {
    {
        MutexLock lock(g_mutex);
        for (OpFault& op : g_ops)
            op = {};
        g_bGateClosed = false;
        g_strJail.clear();
        UpdateArmed();
    }
    g_gateOpened.NotifyAll();
}

} // namespace testing

namespace faults {

bool InjectArmed(testing::FileOp op, int* pError) {
    MutexLock lock(g_mutex);
    OpFault& fault = FaultOf(op);
    if (fault.nCount <= 0)
        return false;
    if (fault.nSkip > 0) {
        --fault.nSkip;
        return false;
    }
    --fault.nCount;
    ++fault.nInjected;
    *pError = fault.nError;
    UpdateArmed();
    return true;
}

void PassFileGateArmed() {
    MutexLock lock(g_mutex);
    if (!g_bGateClosed)
        return;
    ++g_nAtGate;
    while (g_bGateClosed)
        g_gateOpened.WaitFor(g_mutex, 100); // woken when the gate opens; 100 ms only bounds a miss
    --g_nAtGate;
}

std::string RedirectWrite(const std::string& strPath) {
    if (!Armed())
        return strPath;
    MutexLock lock(g_mutex);
    if (g_strJail.empty())
        return strPath;
    // Only the last component survives, and never as "." or "..", so nothing can climb out.
    const std::size_t nSlash = strPath.find_last_of("/\\");
    const std::size_t nStart = nSlash == std::string::npos ? 0 : nSlash + 1;
    std::string strJailed = g_strJail;
    strJailed += '/';
    const std::string_view name = std::string_view(strPath).substr(nStart);
    if (name.empty() || name == "." || name == "..")
        strJailed += '_';
    else
        strJailed += name;
    return strJailed;
}

void WorkerStarted() {
    g_nRunningWorkers.fetch_add(1);
}

void WorkerEnded() {
    g_nRunningWorkers.fetch_sub(1);
}

} // namespace faults

} // namespace platform
