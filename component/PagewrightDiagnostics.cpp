// The failure reasons of finished requests, for hosts that hold any interface of the object.
#include <new>
#include <string_view>

#include "component/Pagewright.h"
#include "platform/bstr.h"
#include "platform/strconv.h"

HRESULT CPagewright::CDiagnostics::GetFailureReason(int nIndex, BSTR* pszReason) {
    if (!pszReason)
        return E_POINTER;
    platform::MutexLock lock(m_pOwner->m_mutex);
    std::string_view reason;
    HRESULT hr = S_FALSE;
    if (const std::size_t nAt = m_pOwner->FindResult(nIndex); nAt != std::string::npos) {
        reason = m_pOwner->m_arrFailReasons[nAt];
        hr = S_OK;
    }
    try {
        *pszReason = platform::BstrFromAnsi(reason);
    } catch (const std::bad_alloc&) {
        *pszReason = nullptr;
        return E_OUTOFMEMORY;
    }
    return hr;
}
