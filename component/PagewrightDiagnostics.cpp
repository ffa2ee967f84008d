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
    for (std::size_t i = 0; i < m_pOwner->m_arrResultIndexes.size(); ++i) {
        if (m_pOwner->m_arrResultIndexes[i] == static_cast<std::uint32_t>(nIndex)) {
            reason = m_pOwner->m_arrFailReasons[i];
            hr = S_OK;
            break;
        }
    }
    try {
        *pszReason = platform::BstrFromAnsi(reason);
    } catch (const std::bad_alloc&) {
        *pszReason = nullptr;
        return E_OUTOFMEMORY;
    }
    return hr;
}
