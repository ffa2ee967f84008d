// Requests whose text is a file: queued like any request, read by the request's worker
// (Worker.cpp).
#include "component/Pagewright.h"

HRESULT CPagewright::CFiles::GenerateHTMLFromFile(BSTR szTextFile, BSTR szFrmPath,
                                                  BSTR szSectionName, int* pIndexNum) {
    return m_pOwner->QueueRequest(szTextFile, szFrmPath, szSectionName, true, pIndexNum);
}
