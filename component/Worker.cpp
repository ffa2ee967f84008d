// The worker thread of one request: it takes the request out of the object's mailbox, runs it as
// a job (the job record is engine/GenThread.cpp) and hands the result back.
#include <new>
#include <utility>

#include "component/Pagewright.h"
#include "engine/GenThread.h"
#include "platform/filebytes.h"
#include "platform/textfile.h"
#include "platform/thread.h"

namespace {

// The longest a worker waiting for its request sleeps before it looks again; it is woken as soon
// as the mailbox is filled, so this only matters if a wake-up is missed.
constexpr unsigned kRequestPollMs = 10;

// Fills the job's text from the file strPath names (a request of IPagewrightFiles). Empty when
// it did, else why not, in the words PagewrightFiles.h documents.
std::string ReadTextFile(const std::string& strPath, std::string& strText) {
    int nError = 0;
    bool bOpened = false;
    try {
        if (platform::ReadWholeFile(strPath, strText, nError, &bOpened))
            return {};
    } catch (const std::bad_alloc&) {
        return "out of memory: the text file \"" + strPath + "\" does not fit in memory";
    }
    return std::string(bOpened ? "cannot read" : "cannot open") + " the text file \"" + strPath +
           "\": " + platform::FileErrorText(nError);
}

} // namespace

unsigned RunWorker(void* pParam) {
    auto* pOwner = static_cast<CPagewright*>(pParam);
    std::string strText, strFrmPath, strSectionName;
    std::int32_t nRequestIndex = -1;
    bool bTextIsFile = false;
    bool bCalledOff = false;
    {
        platform::MutexLock lock(pOwner->m_mutex);
        // The worker is started before its request is in the mailbox (QueueRequest): wait for
        // a request, or for the call that started it to call it off. Any waiting worker may
        // take any request: each call starts one worker and then either queues one request or
        // calls one worker off, so none is left without.
        while (pOwner->m_bReady && pOwner->m_nCalledOff == 0)
            pOwner->m_mailboxFilled.WaitFor(pOwner->m_mutex, kRequestPollMs);
        if (pOwner->m_bReady) {
            --pOwner->m_nCalledOff;
            bCalledOff = true;
        } else {
            // Take the request out of the mailbox (moving cannot fail) and let the next one in.
            strText = std::move(pOwner->m_strText);
            strFrmPath = std::move(pOwner->m_strFrmPath);
            strSectionName = std::move(pOwner->m_strSectionName);
            bTextIsFile = pOwner->m_bTextIsFile;
            nRequestIndex = pOwner->m_nIssued - 1;
            pOwner->m_bReady = TRUE;
        }
    }
    if (bCalledOff) {
        pOwner->Release(); // the reference QueueRequest took for this worker
        return 0;
    }
    // Woken after the lock is given up, so that the caller waiting to queue the next request
    // does not wake only to wait for the lock. A waiter that has not gone to sleep yet sees the
    // flag up under the lock.
    pOwner->m_mailboxEmptied.NotifyAll();

    // A text file is read by the job's own thread, after the next request has been let in, and
    // straight into the job: its bytes are never copied.
    std::string strTextFile;
    if (bTextIsFile)
        strTextFile.swap(strText);
    CGenThread* pJob =
        new (std::nothrow) CGenThread(pOwner, std::move(strText), std::move(strFrmPath),
                                      std::move(strSectionName), nRequestIndex);
    std::string strReadFailure;
    bool bReadFailed = false;
    if (pJob && bTextIsFile) {
        try {
            strReadFailure = ReadTextFile(strTextFile, pJob->m_strText);
            bReadFailed = !strReadFailure.empty();
        } catch (...) {
            // Building the reason itself ran out of memory: the request fails unexplained.
            bReadFailed = true;
        }
    }
    if (pJob && !bReadFailed) {
        pJob->Run();
        delete pJob;
    } else if (pJob) {
        // No text, no job: the request finishes here, without a page.
        delete pJob;
        pOwner->HandBackResult(std::string(), nRequestIndex, std::move(strReadFailure));
    } else {
        // Without a job record the request still has to finish, or Reset would wait forever.
        // (Building the reason may itself fail for want of memory; then it stays empty.)
        std::string strReason;
        try {
            strReason = "out of memory: the request's job could not be started";
        } catch (...) {
        }
        pOwner->HandBackResult(std::string(), nRequestIndex, std::move(strReason));
    }
    pOwner->Release(); // the reference QueueRequest took for this job
    return 0;
}

void CGenThread::Run() {
    try {
        GeneratePage();
        // A page that was not finished leaves a reason behind; one that was leaves none.
        if (!m_strResultFile.empty())
            m_strFailReason.clear();
    } catch (const std::exception& e) {
        // Whatever went wrong (memory, most likely), the request completes, without a page.
        m_strResultFile.clear();
        try {
            m_strFailReason = std::string("the job was stopped by an internal error: ") + e.what();
        } catch (...) {
            m_strFailReason.clear();
        }
    } catch (...) {
        m_strResultFile.clear();
        m_strFailReason.clear();
    }
    m_pOwner->HandBackResult(std::move(m_strResultFile), m_nRequestIndex,
                             std::move(m_strFailReason));
}
