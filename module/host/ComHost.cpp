#include "module/host/ComHost.h"

#include "platform/library.h"
#include "platform/registry.h"

namespace host {

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using RegisterFn = HRESULT(STDAPICALLTYPE*)();

HRESULT CallRegistration(const std::string& strModulePath, const char* szName) {
    HRESULT hr = S_OK;
    const auto pfn = reinterpret_cast<RegisterFn>(LoadModuleExport(strModulePath, szName, hr));
    return pfn ? pfn() : hr;
}

} // namespace

void* LoadModuleExport(const std::string& strModulePath, const char* szName, HRESULT& hr) {
    return platform::library::LoadExport(strModulePath, szName, hr);
}

HRESULT CreateInstanceFromProgId(const std::string& strProgId, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    std::string strClsid, strModule;
    GUID clsid;
    if (platform::registry::GetString(strProgId + "\\CLSID", "", strClsid) != ERROR_SUCCESS ||
        !platform::ParseGuid(strClsid, clsid))
        return CO_E_CLASSSTRING;
    if (platform::registry::GetString("CLSID\\" + strClsid + "\\InprocServer32", "", strModule) !=
            ERROR_SUCCESS ||
        strModule.empty())
        return REGDB_E_CLASSNOTREG;

    HRESULT hr = S_OK;
    const auto pfnGetClassObject =
        reinterpret_cast<GetClassObjectFn>(LoadModuleExport(strModule, "DllGetClassObject", hr));
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
    return CallRegistration(strModulePath, "DllRegisterServer");
}

} // namespace host
