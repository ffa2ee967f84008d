// IDispatch of the generator object: late-bound callers (script hosts, automation clients)
// reach the four methods by name and DISPID.
//
// On Windows everything is answered by the registered type library, so the DISPIDs and the
// argument conversions are exactly those of PAGEWRIGHTLib 1.0. One addition: script hosts such
// as VBScript pass every variable as VT_BYREF|VT_VARIANT, which the type library's Invoke
// refuses for out parameters; those are passed through typed temporaries and written back.
//
// Elsewhere there is no type library machinery. A static description of the same members,
// DISPIDs and arguments answers the calls, and the library must be registered in the class
// registry all the same, so that a host sees the same rule on both sides.
#include <atomic>
#include <cstddef>
#include <vector>

#include "component/Pagewright.h"
#include "platform/bstr.h"

#ifdef _WIN32
#include <oleauto.h>
#else
#include "platform/registry.h"
#endif

#ifdef _WIN32

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

#else // !_WIN32

namespace {

struct ParamInfo {
    const char16_t* szName;
    VARTYPE vt; // for out parameters, the type pointed to
    bool bOut;
};

struct MemberInfo {
    const char16_t* szName;
    DISPID id;
    UINT cParams;
    ParamInfo params[4];
};

// The members of IPagewright as the type library describes them.
constexpr MemberInfo kMembers[] = {
    {u"GenerateHTML",
     0x60020000,
     4,
     {{u"szText", VT_BSTR, false},
      {u"szFrmPath", VT_BSTR, false},
      {u"szSectionName", VT_BSTR, false},
      {u"pIndexNum", VT_INT, true}}},
    {u"IsGeneratingFinished", 0x60020001, 1, {{u"bFinished", VT_I4, true}}},
    {u"GetHTMLFileName",
     0x60020002,
     2,
     {{u"nIndex", VT_INT, false}, {u"szHTMLFile", VT_BSTR, true}}},
    {u"Reset", 0x60020003, 0, {}},
};

// Type library names match without regard to case.
bool SameName(const OLECHAR* a, const char16_t* b) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
    for (; *a && *b; ++a, ++b)
        if (lower(*a) != lower(*b))
            return false;
    return *a == *b;
}

std::atomic<bool> g_bLibraryFound{false};

// Late-bound calls need the type library registered, as on Windows; once seen it is trusted for
// the life of the module.
HRESULT CheckTypeLibrary() {
    if (g_bLibraryFound.load())
        return S_OK;
    std::string strName;
    if (platform::registry::GetString(
            "TypeLib\\" + platform::FormatGuid(LIBID_PAGEWRIGHTLib) + "\\1.0", "", strName) !=
        ERROR_SUCCESS)
        return TYPE_E_LIBNOTREGISTERED;
    g_bLibraryFound = true;
    return S_OK;
}

// Follows VT_BYREF|VT_VARIANT to the variant it names.
const VARIANT* Deref(const VARIANT* pArg) {
    while (V_VT(pArg) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(pArg))
        pArg = V_VARIANTREF(pArg);
    return pArg;
}

bool ReadBstr(const VARIANT* pArg, BSTR& bstr) {
    pArg = Deref(pArg);
    switch (V_VT(pArg)) {
    case VT_EMPTY:
        bstr = nullptr;
        return true;
    case VT_BSTR:
        bstr = V_BSTR(pArg);
        return true;
    case VT_BYREF | VT_BSTR:
        bstr = *V_BSTRREF(pArg);
        return true;
    default:
        return false;
    }
}

bool ReadInt(const VARIANT* pArg, int& n) {
    pArg = Deref(pArg);
    switch (V_VT(pArg)) {
    case VT_I2:
        n = pArg->iVal;
        return true;
    case VT_UI1:
        n = pArg->bVal;
        return true;
    case VT_I4:
    case VT_INT:
        n = V_I4(pArg);
        return true;
    case VT_BYREF | VT_I4:
    case VT_BYREF | VT_INT:
        n = *V_I4REF(pArg);
        return true;
    default:
        return false;
    }
}

// Where an out parameter goes: a typed reference, or a variant that will receive the value.
struct OutSlot {
    void* pTyped = nullptr;
    VARIANT* pVariant = nullptr;
};

bool ReadOut(VARIANT* pArg, VARTYPE vt, OutSlot& slot) {
    if (V_VT(pArg) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(pArg)) {
        slot.pVariant = V_VARIANTREF(pArg);
        return true;
    }
    const bool bIntOk =
        vt != VT_BSTR && (V_VT(pArg) == (VT_BYREF | VT_I4) || V_VT(pArg) == (VT_BYREF | VT_INT));
    if (bIntOk || (vt == VT_BSTR && V_VT(pArg) == (VT_BYREF | VT_BSTR))) {
        slot.pTyped = V_BYREF(pArg);
        return slot.pTyped != nullptr;
    }
    return false;
}

void WriteBackInt(const OutSlot& slot, int n) {
    if (slot.pVariant) {
        VariantClear(slot.pVariant);
        V_VT(slot.pVariant) = VT_I4;
        V_I4(slot.pVariant) = n;
    } else {
        *static_cast<int*>(slot.pTyped) = n;
    }
}

} // namespace

void ReleaseDispatchTypeInfo() {}

HRESULT CPagewright::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (!ppTInfo)
        return E_POINTER;
    *ppTInfo = nullptr;
    // There are no type information objects here to hand out.
    return iTInfo != 0 ? DISP_E_BADINDEX : E_NOTIMPL;
}

HRESULT CPagewright::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                   DISPID* rgDispId) {
    if (!IsEqualGUID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!rgszNames || !rgDispId)
        return E_POINTER;
    if (const HRESULT hr = CheckTypeLibrary(); FAILED(hr))
        return hr;
    if (cNames == 0)
        return E_INVALIDARG;
    const MemberInfo* pMember = nullptr;
    for (const MemberInfo& member : kMembers)
        if (SameName(rgszNames[0], member.szName))
            pMember = &member;
    HRESULT hr = S_OK;
    rgDispId[0] = pMember ? pMember->id : DISPID_UNKNOWN;
    if (!pMember)
        hr = DISP_E_UNKNOWNNAME;
    // The other names are parameters; their DISPIDs are their positions.
    for (UINT i = 1; i < cNames; ++i) {
        rgDispId[i] = DISPID_UNKNOWN;
        for (UINT p = 0; pMember && p < pMember->cParams; ++p)
            if (SameName(rgszNames[i], pMember->params[p].szName))
                rgDispId[i] = static_cast<DISPID>(p);
        if (rgDispId[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT CPagewright::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                            DISPPARAMS* pDispParams, VARIANT*, EXCEPINFO* pExcepInfo,
                            UINT* puArgErr) {
    if (!IsEqualGUID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (const HRESULT hr = CheckTypeLibrary(); FAILED(hr))
        return hr;
    const MemberInfo* pMember = nullptr;
    for (const MemberInfo& member : kMembers)
        if (member.id == dispIdMember)
            pMember = &member;
    if (!pMember || !(wFlags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    if (!pDispParams)
        return E_INVALIDARG;
    if (pDispParams->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (pDispParams->cArgs != pMember->cParams)
        return DISP_E_BADPARAMCOUNT;

    // rgvarg holds the arguments last to first.
    BSTR arrBstr[3] = {};
    int arrInt[1] = {};
    OutSlot out;
    std::size_t nBstr = 0, nInt = 0;
    for (UINT p = 0; p < pMember->cParams; ++p) {
        const ParamInfo& param = pMember->params[p];
        VARIANT* pArg = &pDispParams->rgvarg[pMember->cParams - 1 - p];
        const bool bOk = param.bOut            ? ReadOut(pArg, param.vt, out)
                         : param.vt == VT_BSTR ? ReadBstr(pArg, arrBstr[nBstr++])
                                               : ReadInt(pArg, arrInt[nInt++]);
        if (!bOk) {
            if (puArgErr)
                *puArgErr = pMember->cParams - 1 - p;
            return DISP_E_TYPEMISMATCH;
        }
    }

    HRESULT hr = S_OK;
    switch (dispIdMember) {
    case 0x60020000: {
        int nIndex = 0;
        hr = GenerateHTML(arrBstr[0], arrBstr[1], arrBstr[2],
                          out.pTyped ? static_cast<int*>(out.pTyped) : &nIndex);
        if (SUCCEEDED(hr) && out.pVariant)
            WriteBackInt(out, nIndex);
        break;
    }
    case 0x60020001: {
        LONG bFinished = 0;
        hr = IsGeneratingFinished(out.pTyped ? static_cast<LONG*>(out.pTyped) : &bFinished);
        if (SUCCEEDED(hr) && out.pVariant)
            WriteBackInt(out, bFinished);
        break;
    }
    case 0x60020002: {
        BSTR bstrName = nullptr;
        hr = GetHTMLFileName(arrInt[0], out.pTyped ? static_cast<BSTR*>(out.pTyped) : &bstrName);
        if (SUCCEEDED(hr) && out.pVariant) {
            VariantClear(out.pVariant);
            V_VT(out.pVariant) = VT_BSTR;
            V_BSTR(out.pVariant) = bstrName;
        }
        break;
    }
    default:
        hr = Reset();
        break;
    }
    // A failing method reaches a late-bound caller as an exception carrying its HRESULT.
    if (FAILED(hr)) {
        if (pExcepInfo) {
            *pExcepInfo = EXCEPINFO{};
            pExcepInfo->scode = hr;
        }
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}

#endif

// One set of type information on both sides: the type library's, or its description here.
HRESULT CPagewright::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}
