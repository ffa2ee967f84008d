#include "module/host/ComHost.h"

#include "platform/registry.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

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
#ifdef _WIN32
    HMODULE hModule = ::LoadLibraryA(strModulePath.c_str());
    if (!hModule) {
        hr = HRESULT_FROM_WIN32(::GetLastError());
        return nullptr;
    }
    void* pfn = reinterpret_cast<void*>(::GetProcAddress(hModule, szName));
#else
    void* hModule = ::dlopen(strModulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!hModule) {
        hr = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* pfn = ::dlsym(hModule, szName);
#endif
    hr = pfn ? S_OK : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    return pfn;
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

HRESULT UnregisterModule(const std::string& strModulePath) {
    return CallRegistration(strModulePath, "DllUnregisterServer");
}

} // namespace host
