// The worker thread of one request and the run of its job.
#include <new>
#include <utility>

#include "component/Pagewright.h"
#include "engine/GenThread.h"

unsigned GenerationThreadProc(void* pParam) {
    auto* pOwner = static_cast<CPagewright*>(pParam);
    std::string strText, strFrmPath, strSectionName;
    std::int32_t nRequestIndex;
    {
        platform::MutexLock lock(pOwner->m_mutex);
        // Take the request out of the mailbox (moving cannot fail) and let the next one in.
        strText = std::move(pOwner->m_strText);
        strFrmPath = std::move(pOwner->m_strFrmPath);
        strSectionName = std::move(pOwner->m_strSectionName);
        nRequestIndex = pOwner->m_nIssued - 1;
        pOwner->m_bReady = TRUE;
        pOwner->m_changed.NotifyAll();
    }

    CGenThread* pJob =
        new (std::nothrow) CGenThread(pOwner, std::move(strText), std::move(strFrmPath),
                                      std::move(strSectionName), nRequestIndex);
    if (pJob) {
        pJob->Run();
        delete pJob;
    } else {
        // Without a job record the request still has to finish, or Reset would wait forever.
        pOwner->HandBackResult(std::string(), nRequestIndex);
    }
    pOwner->Release(); // the reference GenerateHTML took for this job
    return 0;
}

void CGenThread::Run() {
    try {
        GeneratePage();
    } catch (...) {
        // Whatever went wrong (memory, most likely), the request completes, without a page.
        m_strResultFile.clear();
    }
    m_pOwner->HandBackResult(std::move(m_strResultFile), m_nRequestIndex);
}
