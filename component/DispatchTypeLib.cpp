// IDispatch on Windows: answered by the registered type library, so the DISPIDs and the argument
// conversions are exactly those of PAGEWRIGHTLib 1.0. One addition: script hosts such as VBScript
// pass every variable as VT_BYREF|VT_VARIANT, which the type library's Invoke refuses for out
// parameters; those are passed through typed temporaries and written back.
#include <atomic>
#include <vector>

#include "component/Pagewright.h"

#include <oleauto.h> // after the system headers that platform/types.h includes

namespace {

std::atomic<ITypeInfo*> g_pTypeInfo{nullptr};

// The interface's type information from the registered library, looked up on first use and
// then kept until the module unloads.
HRESULT GetPagewrightTypeInfo(ITypeInfo** ppTypeInfo) {
    *ppTypeInfo = g_pTypeInfo.load();
    if (*ppTypeInfo)
        return S_OK;
    ITypeLib* pLib = nullptr;
    HRESULT hr = ::LoadRegTypeLib(LIBID_PAGEWRIGHTLib, 1, 0, LOCALE_NEUTRAL, &pLib);
    if (FAILED(hr))
        return hr;
    ITypeInfo* pInfo = nullptr;
    hr = pLib->GetTypeInfoOfGuid(IID_IPagewright, &pInfo);
    pLib->Release();
    if (FAILED(hr))
        return hr;
    ITypeInfo* pExpected = nullptr;
    if (!g_pTypeInfo.compare_exchange_strong(pExpected, pInfo)) {
        pInfo->Release(); // another thread was first
        pInfo = pExpected;
    }
    *ppTypeInfo = pInfo;
    return S_OK;
}

// One out parameter that came as VT_BYREF|VT_VARIANT, passed as a typed reference instead.
// Integers go as VT_BYREF|VT_I4 also for an int parameter: that is the form the type library's
// Invoke matches int against (the two are the same 32-bit type).
struct ByRefTemp {
    VARIANT* pTarget; // the caller's variant, written back after the call
    VARTYPE vt;       // VT_I4 or VT_BSTR: what the method writes
    union {
        LONG l;
        BSTR bstr;
    } value;
};

} // namespace

void ReleaseDispatchTypeInfo() {
    if (ITypeInfo* pInfo = g_pTypeInfo.exchange(nullptr))
        pInfo->Release();
}

HRESULT CPagewright::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (!ppTInfo)
        return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0)
        return DISP_E_BADINDEX;
    ITypeInfo* pInfo = nullptr;
    const HRESULT hr = GetPagewrightTypeInfo(&pInfo);
    if (FAILED(hr))
        return hr;
    pInfo->AddRef();
    *ppTInfo = pInfo;
    return S_OK;
}

HRESULT CPagewright::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                   DISPID* rgDispId) {
    if (!IsEqualGUID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* pInfo = nullptr;
    const HRESULT hr = GetPagewrightTypeInfo(&pInfo);
    if (FAILED(hr))
        return hr;
    return pInfo->GetIDsOfNames(rgszNames, cNames, rgDispId);
}

HRESULT CPagewright::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                            DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                            UINT* puArgErr) {
    if (!IsEqualGUID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* pInfo = nullptr;
    HRESULT hr = GetPagewrightTypeInfo(&pInfo);
    if (FAILED(hr))
        return hr;
    IPagewright* pThis = this;
    if (!pDispParams || pDispParams->cArgs == 0 || !(wFlags & DISPATCH_METHOD))
        return pInfo->Invoke(pThis, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo,
                             puArgErr);

    // Find the method's description to see which arguments are out parameters.
    TYPEATTR* pAttr = nullptr;
    hr = pInfo->GetTypeAttr(&pAttr);
    if (FAILED(hr))
        return hr;
    const UINT cFuncs = pAttr->cFuncs;
    pInfo->ReleaseTypeAttr(pAttr);
    FUNCDESC* pFunc = nullptr;
    for (UINT i = 0; i < cFuncs && !pFunc; ++i) {
        FUNCDESC* pCandidate = nullptr;
        if (FAILED(pInfo->GetFuncDesc(i, &pCandidate)))
            continue;
        if (pCandidate->memid == dispIdMember && pCandidate->invkind == INVOKE_FUNC)
            pFunc = pCandidate;
        else
            pInfo->ReleaseFuncDesc(pCandidate);
    }
    if (!pFunc)
        return pInfo->Invoke(pThis, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo,
                             puArgErr);

    // Arguments arrive last to first; named ones (at the front) say which parameter they are.
    const UINT cArgs = pDispParams->cArgs;
    std::vector<VARIANTARG> arrArgs(pDispParams->rgvarg, pDispParams->rgvarg + cArgs);
    std::vector<ByRefTemp> arrTemps;
    arrTemps.reserve(cArgs);
    for (UINT k = 0; k < cArgs; ++k) {
        const LONG nParam = k < pDispParams->cNamedArgs ? pDispParams->rgdispidNamedArgs[k]
                                                        : static_cast<LONG>(cArgs - 1 - k);
        if (nParam < 0 || nParam >= pFunc->cParams)
            continue;
        const ELEMDESC& param = pFunc->lprgelemdescParam[nParam];
        VARIANTARG& arg = arrArgs[k];
        if (!(param.paramdesc.wParamFlags & PARAMFLAG_FOUT) || param.tdesc.vt != VT_PTR ||
            V_VT(&arg) != (VT_BYREF | VT_VARIANT) || !V_VARIANTREF(&arg))
            continue;
        const VARTYPE vt = param.tdesc.lptdesc->vt;
        if (vt != VT_INT && vt != VT_I4 && vt != VT_BSTR)
            continue;
        ByRefTemp& temp = arrTemps.emplace_back();
        temp.pTarget = V_VARIANTREF(&arg);
        temp.vt = vt == VT_BSTR ? VT_BSTR : VT_I4;
        temp.value.bstr = nullptr; // out only: the method starts from nothing
        V_VT(&arg) = VT_BYREF | temp.vt;
        V_BYREF(&arg) = &temp.value;
    }
    pInfo->ReleaseFuncDesc(pFunc);

    DISPPARAMS params = *pDispParams;
    params.rgvarg = arrArgs.data();
    hr = pInfo->Invoke(pThis, dispIdMember, wFlags, &params, pVarResult, pExcepInfo, puArgErr);
    for (ByRefTemp& temp : arrTemps) {
        if (FAILED(hr)) {
            if (temp.vt == VT_BSTR)
                ::SysFreeString(temp.value.bstr);
            continue;
        }
        ::VariantClear(temp.pTarget);
        if (temp.vt == VT_BSTR) {
            V_VT(temp.pTarget) = VT_BSTR;
            V_BSTR(temp.pTarget) = temp.value.bstr;
        } else {
            V_VT(temp.pTarget) = VT_I4;
            V_I4(temp.pTarget) = temp.value.l;
        }
    }
    return hr;
}
