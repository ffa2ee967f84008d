// The generator object and its automation interface.
//
// A host queues requests with GenerateHTML, polls IsGeneratingFinished, collects each page's
// path with GetHTMLFileName and finally calls Reset, which deletes the pages. Every request runs
// as a job on a worker thread of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sync.h"
#include "platform/types.h"

// {4B1D7C52-8E3A-4F6B-9C21-5A7E0D3F8B14}
inline constexpr IID IID_IPagewright = {
    0x4B1D7C52, 0x8E3A, 0x4F6B, {0x9C, 0x21, 0x5A, 0x7E, 0x0D, 0x3F, 0x8B, 0x14}};
// {9E2A6F31-0C4D-4A8E-B5F7-13C8D2E6A907}
inline constexpr CLSID CLSID_Pagewright = {
    0x9E2A6F31, 0x0C4D, 0x4A8E, {0xB5, 0xF7, 0x13, 0xC8, 0xD2, 0xE6, 0xA9, 0x07}};

struct IPagewright : IUnknown {
    // Queues one page; *pIndexNum receives the request's index (0, 1, 2 ... since creation or
    // the last Reset). Returns before the page is made.
    virtual HRESULT STDMETHODCALLTYPE GenerateHTML(BSTR szText, BSTR szFrmPath, BSTR szSectionName,
                                                   int* pIndexNum) = 0;
    // *bFinished receives 1 when every queued request has finished, else 0.
    virtual HRESULT STDMETHODCALLTYPE IsGeneratingFinished(LONG* bFinished) = 0;
    // *szHTMLFile receives a new BSTR: the page's full path for a finished request that made a
    // page, else the empty string.
    virtual HRESULT STDMETHODCALLTYPE GetHTMLFileName(int nIndex, BSTR* szHTMLFile) = 0;
    // Waits for every queued request, deletes every page made so far and counts from 0 again.
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;

protected:
    ~IPagewright() = default;
};

class CGenThread;

class CPagewright final : public IPagewright, public ISupportErrorInfo {
public:
    CPagewright();
    CPagewright(const CPagewright&) = delete;
    CPagewright& operator=(const CPagewright&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPagewright
    HRESULT STDMETHODCALLTYPE GenerateHTML(BSTR szText, BSTR szFrmPath, BSTR szSectionName,
                                           int* pIndexNum) override;
    HRESULT STDMETHODCALLTYPE IsGeneratingFinished(LONG* bFinished) override;
    HRESULT STDMETHODCALLTYPE GetHTMLFileName(int nIndex, BSTR* szHTMLFile) override;
    HRESULT STDMETHODCALLTYPE Reset() override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

private:
    friend unsigned GenerationThreadProc(void* pParam);
    friend class CGenThread;
    // Stress tests check the bookkeeping's invariants under the lock.
    friend struct PagewrightAudit;

    ~CPagewright();

    // Called with the lock held: releases it until the state may have changed (a worker took
    // the mailbox or a job handed back) or nMilliseconds passed, and holds it again on return.
    void WaitForChange(unsigned nMilliseconds);

    // Records a finished request. Never fails: the result lists have room reserved for every
    // issued request, and a name that cannot be copied is recorded as the empty string.
    void HandBackResult(std::string strResultFile, std::int32_t nRequestIndex) noexcept;

    std::atomic<ULONG> m_cRef{1};

    platform::Mutex m_mutex;               // the object's one lock; guards every field below
    platform::ConditionVariable m_changed; // signalled when m_bReady rises or a job hands back

    std::int32_t m_nIssued = 0;
    std::int32_t m_nCompleted = 0;
    std::vector<std::string> m_arrResultFiles;     // in the order the jobs finished
    std::vector<std::uint32_t> m_arrResultIndexes; // request index of each entry above
    BOOL m_bReady = TRUE;

    // The request mailbox: GenerateHTML leaves a request here for its worker to take.
    std::string m_strText;
    std::string m_strFrmPath;
    std::string m_strSectionName;
};

// The worker thread's entry; pParam is the CPagewright that started it.
unsigned GenerationThreadProc(void* pParam);

// Creates a generator object and returns the interface asked for (IUnknown, IPagewright or
// ISupportErrorInfo) with one reference.
HRESULT CreatePagewright(REFIID riid, void** ppv);
