// Requests whose text is a file: queued like any request, read by the request's worker
// (Worker.cpp).
#include "component/Pagewright.h"

// The part shares the object's identity and reference count, as COM asks of every interface
// of one object.
HRESULT CPagewright::CFiles::QueryInterface(REFIID riid, void** ppvObject) {
    return m_pOwner->QueryInterface(riid, ppvObject);
}

ULONG CPagewright::CFiles::AddRef() {
    return m_pOwner->AddRef();
}

ULONG CPagewright::CFiles::Release() {
    return m_pOwner->Release();
}

HRESULT CPagewright::CFiles::GenerateHTMLFromFile(BSTR szTextFile, BSTR szFrmPath,
                                                  BSTR szSectionName, int* pIndexNum) {
    return m_pOwner->QueueRequest(szTextFile, szFrmPath, szSectionName, true, pIndexNum);
}
