// IDispatch where there is no type library machinery: a static description of the type
// library's members, DISPIDs and arguments answers the calls. The library must be registered in
// the class registry all the same, so that a host sees the same rule on both sides.
#include <atomic>
#include <cstddef>
#include <iterator>

#include "component/DispatchIds.h"
#include "component/Pagewright.h"
#include "platform/bstr.h"
#include "platform/registry.h"

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

// The members of IPagewright, in this order in kMembers below.
enum class Member { kGenerateHTML, kIsGeneratingFinished, kGetHTMLFileName, kReset, kNone };

// The member a DISPID names; kNone for any other number.
constexpr Member MemberOf(DISPID id) {
    switch (id) {
    case PAGEWRIGHT_DISPID_GENERATEHTML:
        return Member::kGenerateHTML;
    case PAGEWRIGHT_DISPID_ISGENERATINGFINISHED:
        return Member::kIsGeneratingFinished;
    case PAGEWRIGHT_DISPID_GETHTMLFILENAME:
        return Member::kGetHTMLFileName;
    case PAGEWRIGHT_DISPID_RESET:
        return Member::kReset;
    default:
        return Member::kNone;
    }
}

// The members of IPagewright as the type library describes them.
constexpr MemberInfo kMembers[] = {
    {u"GenerateHTML",
     PAGEWRIGHT_DISPID_GENERATEHTML,
     4,
     {{u"szText", VT_BSTR, false},
      {u"szFrmPath", VT_BSTR, false},
      {u"szSectionName", VT_BSTR, false},
      {u"pIndexNum", VT_INT, true}}},
    {u"IsGeneratingFinished",
     PAGEWRIGHT_DISPID_ISGENERATINGFINISHED,
     1,
     {{u"bFinished", VT_I4, true}}},
    {u"GetHTMLFileName",
     PAGEWRIGHT_DISPID_GETHTMLFILENAME,
     2,
     {{u"nIndex", VT_INT, false}, {u"szHTMLFile", VT_BSTR, true}}},
    {u"Reset", PAGEWRIGHT_DISPID_RESET, 0, {}},
};

// Every row of the table is the member its DISPID names, and every member has its row, so the
// switch in Invoke below calls the method that GetIDsOfNames gave the number for.
constexpr bool TableMatchesMembers() {
    if (std::size(kMembers) != static_cast<std::size_t>(Member::kNone))
        return false;
    for (std::size_t i = 0; i < std::size(kMembers); ++i)
        if (MemberOf(kMembers[i].id) != static_cast<Member>(i))
            return false;
    return true;
}
static_assert(TableMatchesMembers(), "kMembers and MemberOf disagree");

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
    const Member member = MemberOf(dispIdMember);
    if (member == Member::kNone || !(wFlags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    const MemberInfo* pMember = &kMembers[static_cast<std::size_t>(member)];
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
    switch (member) {
    case Member::kGenerateHTML: {
        int nIndex = 0;
        hr = GenerateHTML(arrBstr[0], arrBstr[1], arrBstr[2],
                          out.pTyped ? static_cast<int*>(out.pTyped) : &nIndex);
        if (SUCCEEDED(hr) && out.pVariant)
            WriteBackInt(out, nIndex);
        break;
    }
    case Member::kIsGeneratingFinished: {
        LONG bFinished = 0;
        hr = IsGeneratingFinished(out.pTyped ? static_cast<LONG*>(out.pTyped) : &bFinished);
        if (SUCCEEDED(hr) && out.pVariant)
            WriteBackInt(out, bFinished);
        break;
    }
    case Member::kGetHTMLFileName: {
        BSTR bstrName = nullptr;
        hr = GetHTMLFileName(arrInt[0], out.pTyped ? static_cast<BSTR*>(out.pTyped) : &bstrName);
        if (SUCCEEDED(hr) && out.pVariant) {
            VariantClear(out.pVariant);
            V_VT(out.pVariant) = VT_BSTR;
            V_BSTR(out.pVariant) = bstrName;
        }
        break;
    }
    case Member::kReset:
        hr = Reset();
        break;
    case Member::kNone: // refused above
        return DISP_E_MEMBERNOTFOUND;
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
