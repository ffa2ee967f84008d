#include "module/host/ComHost.h"

namespace host {

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using RegisterFn = HRESULT(STDAPICALLTYPE*)();

// The class of a ProgID and the module the registry names for it: CO_E_CLASSSTRING when the
// ProgID names no class, REGDB_E_CLASSNOTREG when the class names no module.
HRESULT FindClass(const std::string& strProgId, GUID& clsid, std::string& strModule) {
    std::string strClsid;
    if (registry::GetString(strProgId + "\\CLSID", "", strClsid) != ERROR_SUCCESS ||
        !platform::ParseGuid(strClsid, clsid))
        return CO_E_CLASSSTRING;
    if (registry::GetString("CLSID\\" + strClsid + "\\InprocServer32", "", strModule) !=
            ERROR_SUCCESS ||
        strModule.empty())
        return REGDB_E_CLASSNOTREG;
    return S_OK;
}

} // namespace

HRESULT CreateInstanceFromProgId(const std::string& strProgId, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    GUID clsid;
    std::string strModule;
    HRESULT hr = FindClass(strProgId, clsid, strModule);
    if (FAILED(hr))
        return hr;
    const auto pfnGetClassObject = reinterpret_cast<GetClassObjectFn>(
        platform::library::LoadExport(strModule, "DllGetClassObject", hr));
    if (!pfnGetClassObject)
        return hr;
    IClassFactory* pFactory = nullptr;
    hr = pfnGetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&pFactory));
    if (FAILED(hr))
        return hr;
    hr = pFactory->CreateInstance(nullptr, riid, ppv);
    pFactory->Release();
    return hr;
}

HRESULT RegisterModule(const std::string& strModulePath) {
    HRESULT hr = S_OK;
    const auto pfn = reinterpret_cast<RegisterFn>(
        platform::library::LoadExport(strModulePath, "DllRegisterServer", hr));
    return pfn ? pfn() : hr;
}

std::string RegisteredModule(const std::string& strProgId) {
    GUID clsid;
    std::string strModule;
    FindClass(strProgId, clsid, strModule);
    return strModule;
}

} // namespace host
