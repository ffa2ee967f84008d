#include "platform/bstr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

// Layout as on Windows: a 32-bit byte count, the characters, a 16-bit zero. The BSTR points
// at the first character.

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
    // The byte count must fit the 32-bit prefix, with room left for the prefix and terminator.
    if (cch > (std::numeric_limits<std::uint32_t>::max() - 16) / sizeof(OLECHAR))
        return nullptr;
    const std::size_t nBytes = static_cast<std::size_t>(cch) * sizeof(OLECHAR);
    auto* pBlock =
        static_cast<unsigned char*>(std::malloc(sizeof(std::uint32_t) + nBytes + sizeof(OLECHAR)));
    if (!pBlock)
        return nullptr;
    const auto nPrefix = static_cast<std::uint32_t>(nBytes);
    std::memcpy(pBlock, &nPrefix, sizeof nPrefix);
    auto* pChars = reinterpret_cast<OLECHAR*>(pBlock + sizeof(std::uint32_t));
    if (pch)
        std::memcpy(pChars, pch, nBytes);
    else
        std::memset(pChars, 0, nBytes);
    pChars[cch] = 0;
    return pChars;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz)
        return nullptr;
    UINT n = 0;
    while (psz[n])
        ++n;
    return SysAllocStringLen(psz, n);
}

void SysFreeString(BSTR bstr) {
    if (bstr)
        std::free(reinterpret_cast<unsigned char*>(bstr) - sizeof(std::uint32_t));
}

UINT SysStringLen(BSTR bstr) {
    if (!bstr)
        return 0;
    std::uint32_t nBytes;
    std::memcpy(&nBytes, reinterpret_cast<unsigned char*>(bstr) - sizeof(std::uint32_t),
                sizeof nBytes);
    return nBytes / sizeof(OLECHAR);
}

void VariantInit(VARIANT* pvarg) {
    std::memset(pvarg, 0, sizeof *pvarg);
}

HRESULT VariantClear(VARIANT* pvarg) {
    if (!pvarg)
        return E_INVALIDARG;
    switch (pvarg->vt) {
    case VT_BSTR:
        SysFreeString(pvarg->bstrVal);
        break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        if (pvarg->punkVal)
            pvarg->punkVal->Release();
        break;
    default:
        break; // plain values and references own nothing
    }
    VariantInit(pvarg);
    return S_OK;
}
