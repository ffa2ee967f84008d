// The generator object, which serves IPagewright (component/IPagewright.h).
//
// A host queues requests with GenerateHTML, polls IsGeneratingFinished, collects each page's
// path with GetHTMLFileName and finally calls Reset, which deletes the pages. Every request runs
// as a job on a worker thread of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "component/IPagewright.h"
#include "component/PagewrightDiagnostics.h"
#include "component/PagewrightFiles.h"
#include "component/PagewrightWait.h"
#include "platform/sync.h"
#include "platform/types.h"

class CGenThread;

class CPagewright final : public IPagewright, public ISupportErrorInfo {
public:
    // pUnkOuter: the controlling object when this one is created inside an aggregate, else null.
    explicit CPagewright(IUnknown* pUnkOuter = nullptr);
    CPagewright(const CPagewright&) = delete;
    CPagewright& operator=(const CPagewright&) = delete;

    // IUnknown of the interfaces: delegates to the aggregate's outer object when there is one.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch (component/Dispatch.cpp, with DispatchTypeLib.cpp or DispatchTable.cpp)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                                            LCID lcid, DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IPagewright
    HRESULT STDMETHODCALLTYPE GenerateHTML(BSTR szText, BSTR szFrmPath, BSTR szSectionName,
                                           int* pIndexNum) override;
    HRESULT STDMETHODCALLTYPE IsGeneratingFinished(LONG* bFinished) override;
    HRESULT STDMETHODCALLTYPE GetHTMLFileName(int nIndex, BSTR* szHTMLFile) override;
    HRESULT STDMETHODCALLTYPE Reset() override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

private:
    friend unsigned RunWorker(void* pParam);
    friend class CGenThread;
    // Stress tests check the bookkeeping's invariants under the lock.
    friend struct PagewrightAudit;

    ~CPagewright();

    // The object's own IUnknown: it holds the reference count and answers QueryInterface. An
    // aggregate keeps this one; everybody else gets the delegating one of the interfaces.
    class CInnerUnknown final : public IUnknown {
    public:
        explicit CInnerUnknown(CPagewright* pThis) : m_pThis(pThis) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;

    private:
        CPagewright* m_pThis;
    };
    friend HRESULT CreatePagewright(IUnknown* pUnkOuter, REFIID riid, void** ppv);

    // GenerateHTML and GenerateHTMLFromFile: waits for the mailbox, fills it and starts the
    // request's worker. bTextIsFile: strText is the path of the file that holds the text.
    HRESULT QueueRequest(BSTR szText, BSTR szFrmPath, BSTR szSectionName, bool bTextIsFile,
                         int* pIndexNum);

    // Records a finished request. Never fails: the result lists have room reserved for every
    // issued request, and a name that cannot be copied is recorded as the empty string.
    void HandBackResult(std::string strResultFile, std::int32_t nRequestIndex,
                        std::string strFailReason = {}) noexcept;

    // Where the result of request nIndex stands in the result lists, or npos when that request
    // has not finished (or was never issued). One look-up, however many results there are: a
    // host that asks for each of n results does n steps, not n squared. Called with m_mutex held.
    std::size_t FindResult(int nIndex) const;

    // Sleeps on cv until bDone() holds or nTimeoutMs (< 0: no limit) has passed on the monotonic
    // clock: S_OK or S_FALSE. Called with m_mutex held, and holds it on return.
    template <class Done>
    HRESULT WaitForHandBack(platform::ConditionVariable& cv, LONG nTimeoutMs, Done bDone);

    // A part of this object that serves one more interface, so that the automation interface
    // stays as it is. It shares the object's identity and reference count, as COM asks of
    // every interface of one object.
    template <class Interface> class CPart : public Interface {
    public:
        explicit CPart(CPagewright* pOwner) : m_pOwner(pOwner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
            return m_pOwner->QueryInterface(riid, ppvObject);
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return m_pOwner->AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return m_pOwner->Release(); }

    protected:
        CPagewright* m_pOwner;
    };

    // IPagewrightDiagnostics (PagewrightDiagnostics.cpp).
    class CDiagnostics final : public CPart<IPagewrightDiagnostics> {
    public:
        using CPart::CPart;
        HRESULT STDMETHODCALLTYPE GetFailureReason(int nIndex, BSTR* pszReason) override;
    };
    CDiagnostics m_diagnostics{this};

    // IPagewrightFiles (PagewrightFiles.cpp).
    class CFiles final : public CPart<IPagewrightFiles> {
    public:
        using CPart::CPart;
        HRESULT STDMETHODCALLTYPE GenerateHTMLFromFile(BSTR szTextFile, BSTR szFrmPath,
                                                       BSTR szSectionName, int* pIndexNum) override;
    };
    CFiles m_files{this};

    // IPagewrightWait (PagewrightWait.cpp).
    class CWait final : public CPart<IPagewrightWait> {
    public:
        using CPart::CPart;
        HRESULT STDMETHODCALLTYPE WaitForAll(LONG nTimeoutMs) override;
        HRESULT STDMETHODCALLTYPE WaitForRequest(int nIndex, LONG nTimeoutMs) override;
    };
    CWait m_wait{this};

    std::atomic<ULONG> m_cRef{1};
    CInnerUnknown m_innerUnknown{this};
    IUnknown* m_pUnkOuter; // the outer object, or m_innerUnknown when not aggregated

    platform::Mutex m_mutex; // the object's one lock; guards every field below
    // What the waits sleep on (with m_mutex), each woken only by what it waits for: a batch's
    // caller is not woken by every job that ends, nor a waiting worker by every hand-back.
    platform::ConditionVariable m_mailboxEmptied; // m_bReady went up: callers queue
    platform::ConditionVariable m_mailboxFilled;  // a request or a call-off for the workers
    platform::ConditionVariable m_jobHandedBack;  // m_nCompleted grew: Reset looks again
    platform::ConditionVariable m_allHandedBack;  // m_nCompleted reached m_nIssued

    std::int32_t m_nIssued = 0;
    std::int32_t m_nCompleted = 0;
    std::vector<std::string> m_arrResultFiles;     // in the order the jobs finished
    std::vector<std::uint32_t> m_arrResultIndexes; // request index of each entry above
    std::vector<std::string> m_arrFailReasons;     // why each entry above is empty, or empty
    // By request index: where that request's entry stands in the lists above, or kNoResult
    // while it runs. One entry per issued request, so its size is m_nIssued.
    static constexpr std::int32_t kNoResult = -1;
    std::vector<std::int32_t> m_arrResultAt;
    // Resets so far: a wait for one request that sees this change knows its request finished.
    std::uint64_t m_nResets = 0;
    // Each WaitForRequest in progress, by the request index it waits for, with the condition
    // variable it sleeps on: a hand-back wakes the waits for its own index only, so that many
    // threads each waiting for a request of their own cost one wake-up a request, not one per
    // waiter; a Reset wakes them all.
    std::unordered_multimap<std::int32_t, platform::ConditionVariable*> m_requestWaits;
    BOOL m_bReady = TRUE;

    // The request mailbox: GenerateHTML leaves a request here for its worker to take.
    std::string m_strText;
    std::string m_strFrmPath;
    std::string m_strSectionName;
    bool m_bTextIsFile = false; // m_strText is the path of the file that holds the text
    // Workers started for requests that were then refused: each waiting worker that finds the
    // mailbox empty and this above 0 takes one away and ends without a job.
    std::int32_t m_nCalledOff = 0;
};

// The entry of each request's worker thread (component/Worker.cpp); pParam is the CPagewright
// that started it.
unsigned RunWorker(void* pParam);

// Creates a generator object and returns the interface asked for (IUnknown, IDispatch,
// IPagewright, ISupportErrorInfo, IPagewrightDiagnostics, IPagewrightFiles or IPagewrightWait)
// with one reference.
// With pUnkOuter the object becomes the inner object of that aggregate, and only IID_IUnknown may
// be asked for (else CLASS_E_NOAGGREGATION): the aggregate receives the non-delegating IUnknown.
HRESULT CreatePagewright(IUnknown* pUnkOuter, REFIID riid, void** ppv);
inline HRESULT CreatePagewright(REFIID riid, void** ppv) {
    return CreatePagewright(nullptr, riid, ppv);
}

// Generator objects alive in this module; the module's lock count includes them.
LONG LivePagewrightObjects();

// Drops the type information IDispatch keeps once it has looked it up (on module unload). Only
// Windows keeps any: it is defined in DispatchTypeLib.cpp.
void ReleaseDispatchTypeInfo();
