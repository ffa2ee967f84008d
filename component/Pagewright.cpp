#include "component/Pagewright.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <utility>

#include "engine/TextUtil.h"
#include "platform/bstr.h"
#include "platform/strconv.h"
#include "platform/textfile.h"
#include "platform/thread.h"
#include "platform/vellum.h"

namespace {

// The longest a wait sleeps before it looks again. Waits are also woken as soon as what they
// wait for happens, so these only matter if a wake-up is missed.
constexpr unsigned kReadyPollMs = 100;
constexpr unsigned kResetPollMs = 50;

std::atomic<LONG> g_nLiveObjects{0};

} // namespace

LONG LivePagewrightObjects() {
    return g_nLiveObjects.load();
}

CPagewright::CPagewright(IUnknown* pUnkOuter)
    : m_pUnkOuter(pUnkOuter ? pUnkOuter : &m_innerUnknown) {
    ++g_nLiveObjects;
}

CPagewright::~CPagewright() {
    --g_nLiveObjects;
}

// ---- IUnknown ----

HRESULT CPagewright::QueryInterface(REFIID riid, void** ppvObject) {
    return m_pUnkOuter->QueryInterface(riid, ppvObject);
}

ULONG CPagewright::AddRef() {
    return m_pUnkOuter->AddRef();
}

ULONG CPagewright::Release() {
    return m_pUnkOuter->Release();
}

HRESULT CPagewright::CInnerUnknown::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown)) {
        *ppvObject = this;
    } else if (IsEqualGUID(riid, IID_IDispatch) || IsEqualGUID(riid, IID_IPagewright)) {
        *ppvObject = static_cast<IPagewright*>(m_pThis);
    } else if (IsEqualGUID(riid, IID_ISupportErrorInfo)) {
        *ppvObject = static_cast<ISupportErrorInfo*>(m_pThis);
    } else if (IsEqualGUID(riid, IID_IPagewrightDiagnostics)) {
        *ppvObject = static_cast<IPagewrightDiagnostics*>(&m_pThis->m_diagnostics);
    } else if (IsEqualGUID(riid, IID_IPagewrightFiles)) {
        *ppvObject = static_cast<IPagewrightFiles*>(&m_pThis->m_files);
    } else if (IsEqualGUID(riid, IID_IPagewrightWait)) {
        *ppvObject = static_cast<IPagewrightWait*>(&m_pThis->m_wait);
    } else {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*ppvObject)->AddRef();
    return S_OK;
}

ULONG CPagewright::CInnerUnknown::AddRef() {
    return m_pThis->m_cRef.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG CPagewright::CInnerUnknown::Release() {
    const ULONG nLeft = m_pThis->m_cRef.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (nLeft == 0)
        delete m_pThis;
    return nLeft;
}

// ---- IPagewright ----

HRESULT CPagewright::GenerateHTML(BSTR szText, BSTR szFrmPath, BSTR szSectionName, int* pIndexNum) {
    return QueueRequest(szText, szFrmPath, szSectionName, false, pIndexNum);
}

HRESULT CPagewright::QueueRequest(BSTR szText, BSTR szFrmPath, BSTR szSectionName, bool bTextIsFile,
                                  int* pIndexNum) {
    if (!pIndexNum)
        return E_POINTER;
    // Convert before taking the lock: a long text should not hold up the other callers.
    std::string strText, strFrmPath, strSectionName;
    try {
        strText = platform::BstrToAnsi(szText);
        strFrmPath = platform::BstrToAnsi(szFrmPath);
        strSectionName = platform::BstrToAnsi(szSectionName);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }

    // The request's worker is started first, and waits for the request in the mailbox. So the
    // thread's start, the costliest step of a request, overlaps the hand-over of the previous
    // request to its worker instead of following it: a host queueing a batch need not wait for
    // the system to start each thread and then again for that thread to run. The job holds a
    // reference until it has handed its result back, so the host may release the object while
    // jobs run.
    AddRef();
    if (!platform::StartWorkerThread(&RunWorker, this)) {
        Release();
        *pIndexNum = -1;
        return E_OUTOFMEMORY;
    }

    std::int32_t nIndex;
    bool bQueued = false;
    {
        platform::MutexLock lock(m_mutex);
        // The mailbox holds one request at a time: wait until the last worker has taken its
        // request out. Testing and lowering the flag under one lock keeps concurrent callers
        // from both filling the mailbox.
        while (!m_bReady)
            m_mailboxEmptied.WaitFor(m_mutex, kReadyPollMs);
        // Room for this request's result now, so that a finishing job can always record it.
        const std::size_t nNeeded = static_cast<std::size_t>(m_nIssued) + 1;
        try {
            if (m_arrResultFiles.capacity() < nNeeded || m_arrResultIndexes.capacity() < nNeeded ||
                m_arrFailReasons.capacity() < nNeeded || m_arrResultAt.capacity() < nNeeded) {
                // Doubling keeps a long batch to a few reallocations; 16 covers a short batch.
                const std::size_t nRoom =
                    std::max<std::size_t>({nNeeded, 16, 2 * m_arrResultFiles.capacity()});
                m_arrResultFiles.reserve(nRoom);
                m_arrResultIndexes.reserve(nRoom);
                m_arrFailReasons.reserve(nRoom);
                m_arrResultAt.reserve(nRoom);
            }
            bQueued = true;
        } catch (const std::bad_alloc&) {
            // The worker started for this request will get none: call it off.
            ++m_nCalledOff;
        }
        if (bQueued) {
            m_bReady = FALSE;
            m_strText = std::move(strText);
            m_strFrmPath = std::move(strFrmPath);
            m_strSectionName = std::move(strSectionName);
            m_bTextIsFile = bTextIsFile;
            m_arrResultAt.push_back(kNoResult); // within the room reserved above
            nIndex = m_nIssued++;
        }
    }
    // Wakes a waiting worker, after the lock is given up (see RunWorker). One is enough: the
    // mailbox holds one request, and a call-off ends one worker.
    m_mailboxFilled.NotifyOne();
    if (!bQueued)
        return E_OUTOFMEMORY;
    *pIndexNum = nIndex;
    return S_OK;
}

HRESULT CPagewright::IsGeneratingFinished(LONG* bFinished) {
    if (!bFinished)
        return E_POINTER;
    platform::MutexLock lock(m_mutex);
    *bFinished = m_nCompleted == m_nIssued ? 1 : 0;
    return S_OK;
}

HRESULT CPagewright::GetHTMLFileName(int nIndex, BSTR* szHTMLFile) {
    if (!szHTMLFile)
        return E_POINTER;
    // The parameter is out-only: whatever the caller left in it is not ours to free.
    platform::MutexLock lock(m_mutex);
    std::string_view name;
    if (const std::size_t nAt = FindResult(nIndex); nAt != std::string::npos)
        name = m_arrResultFiles[nAt];
    try {
        *szHTMLFile = platform::BstrFromAnsi(name);
    } catch (const std::bad_alloc&) {
        *szHTMLFile = nullptr;
    }
    return S_OK;
}

HRESULT CPagewright::Reset() {
    platform::MutexLock lock(m_mutex);
    while (m_nCompleted != m_nIssued)
        m_jobHandedBack.WaitFor(m_mutex, kResetPollMs);

    for (std::int32_t i = 0; i < m_nCompleted; ++i) {
        const std::string_view name =
            engine::TrimView(m_arrResultFiles[static_cast<std::size_t>(i)]);
        if (name.empty())
            continue; // a failed request made no page
        try {
            platform::RemoveFile(std::string(name));
        } catch (const platform::FileException&) {
            // The documented log line (README): log readers match its number and text.
            VellumSetState(248, "Pagewright", -1);
            VellumFormatErrorLog("Could Not Delete File!");
        }
    }
    m_nCompleted = 0;
    m_nIssued = 0;
    m_arrResultFiles.clear();
    m_arrResultIndexes.clear();
    m_arrFailReasons.clear();
    m_arrResultAt.clear();
    ++m_nResets;
    for (const auto& [nIndex, pCv] : m_requestWaits)
        pCv->NotifyAll();
    return S_OK;
}

// ---- ISupportErrorInfo ----

HRESULT CPagewright::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualGUID(riid, IID_IPagewright) ? S_OK : S_FALSE;
}

// ---- waits and results ----

void CPagewright::HandBackResult(std::string strResultFile, std::int32_t nRequestIndex,
                                 std::string strFailReason) noexcept {
    bool bAllDone;
    {
        platform::MutexLock lock(m_mutex);
        // QueueRequest reserved room for this entry, so no push_back allocates.
        m_arrResultFiles.push_back(std::move(strResultFile));
        m_arrResultIndexes.push_back(static_cast<std::uint32_t>(nRequestIndex));
        m_arrFailReasons.push_back(std::move(strFailReason));
        // The first result of an index is the one found, as a walk from the first entry would.
        const auto nIndex = static_cast<std::size_t>(nRequestIndex);
        if (nRequestIndex >= 0 && nIndex < m_arrResultAt.size() &&
            m_arrResultAt[nIndex] == kNoResult)
            m_arrResultAt[nIndex] = static_cast<std::int32_t>(m_arrResultFiles.size() - 1);
        ++m_nCompleted;
        bAllDone = m_nCompleted == m_nIssued;
        // Under the lock: a wait's condition variable lives only until the wait, holding the
        // lock, takes itself out of the table.
        const auto [first, last] = m_requestWaits.equal_range(nRequestIndex);
        for (auto it = first; it != last; ++it)
            it->second->NotifyAll();
    }
    // After the lock is given up (see RunWorker). The caller still holds its reference on the
    // object, so the condition variables are there to signal. A wait for the whole batch is
    // woken once, by its last job, not by each of them.
    m_jobHandedBack.NotifyAll();
    if (bAllDone)
        m_allHandedBack.NotifyAll();
}

std::size_t CPagewright::FindResult(int nIndex) const {
    if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= m_arrResultAt.size())
        return std::string::npos;
    const std::int32_t nAt = m_arrResultAt[static_cast<std::size_t>(nIndex)];
    return nAt == kNoResult ? std::string::npos : static_cast<std::size_t>(nAt);
}

HRESULT CreatePagewright(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    // An aggregate must hold the inner object by its own IUnknown, or it could not control it.
    if (pUnkOuter && !IsEqualGUID(riid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    auto* pObject = new (std::nothrow) CPagewright(pUnkOuter);
    if (!pObject)
        return E_OUTOFMEMORY;
    // On failure this drops the only reference and so destroys the object.
    const HRESULT hr = pObject->m_innerUnknown.QueryInterface(riid, ppv);
    pObject->m_innerUnknown.Release();
    return hr;
}
