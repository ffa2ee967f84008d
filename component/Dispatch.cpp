// IDispatch of the generator object: late-bound callers (script hosts, automation clients)
// reach the four methods by name and DISPID.
//
// Two ways to answer them, one per side, chosen in component/CMakeLists.txt: on Windows the
// registered type library (DispatchTypeLib.cpp), elsewhere a description of the same members
// (DispatchTable.cpp). What both share is here.
#include "component/Pagewright.h"

// One set of type information on both sides: the type library's, or its description.
HRESULT CPagewright::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}
