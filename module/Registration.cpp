// The class's registry entries and the type library's registration.
#include <new>
#include <string>
#include <vector>

#include "component/Pagewright.h"
#include "module/Module.h"
#include "platform/registry.h"

#ifdef _WIN32
#include <oleauto.h>
#endif

namespace module {

namespace {

constexpr const char* kProgId = "Pagewright.Pagewright.1";
constexpr const char* kVersionIndependentProgId = "Pagewright.Pagewright";

struct Entry {
    std::string strKey;
    const char* szName; // "" for the key's default value
    std::string strData;
};

// In the order they are written: the two ProgID keys, then the class key and its subkeys.
std::vector<Entry> ClassEntries(const std::string& strModule) {
    const std::string strClsid = platform::FormatGuid(CLSID_Pagewright);
    const std::string strClassKey = "CLSID\\" + strClsid;
    const std::string strDescription = ClassDescription();
    return {
        {kProgId, "", strDescription},
        {std::string(kProgId) + "\\CLSID", "", strClsid},
        {kVersionIndependentProgId, "", strDescription},
        {std::string(kVersionIndependentProgId) + "\\CLSID", "", strClsid},
        {std::string(kVersionIndependentProgId) + "\\CurVer", "", kProgId},
        {strClassKey, "", strDescription},
        {strClassKey + "\\ProgID", "", kProgId},
        {strClassKey + "\\VersionIndependentProgID", "", kVersionIndependentProgId},
        {strClassKey + "\\InprocServer32", "", strModule},
        {strClassKey + "\\InprocServer32", "ThreadingModel", "both"},
    };
}

#ifdef _WIN32

HRESULT RegisterTypeLibrary(const std::string& strModule) {
    const int nChars = ::MultiByteToWideChar(CP_ACP, 0, strModule.c_str(), -1, nullptr, 0);
    if (nChars <= 0)
        return HRESULT_FROM_WIN32(::GetLastError());
    std::wstring wstrModule(static_cast<std::size_t>(nChars), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, strModule.c_str(), -1, wstrModule.data(), nChars);
    ITypeLib* pLib = nullptr;
    // Reads the TYPELIB resource and writes the library's and the interface's keys.
    const HRESULT hr = ::LoadTypeLibEx(wstrModule.c_str(), REGKIND_REGISTER, &pLib);
    if (SUCCEEDED(hr))
        pLib->Release();
    return hr;
}

#else

// The keys the Windows type library registration writes for this library and its interface.
HRESULT RegisterTypeLibrary(const std::string& strModule) {
    const std::string strLibid = platform::FormatGuid(LIBID_PAGEWRIGHTLib);
    const std::string strLibKey = "TypeLib\\" + strLibid + "\\1.0";
    const std::string strDir = strModule.substr(0, strModule.find_last_of('/') + 1);
    const std::string strInterfaceKey = "Interface\\" + platform::FormatGuid(IID_IPagewright);
    const Entry entries[] = {
        {strLibKey, "", "Pagewright 1.0 Type Library"},
        {strLibKey + "\\FLAGS", "", "0"},
        {strLibKey + "\\0\\win32", "", strModule},
        {strLibKey + "\\HELPDIR", "", strDir},
        {strInterfaceKey, "", "IPagewright"},
        {strInterfaceKey + "\\ProxyStubClsid32", "", "{00020424-0000-0000-C000-000000000046}"},
        {strInterfaceKey + "\\TypeLib", "", strLibid},
        {strInterfaceKey + "\\TypeLib", "Version", "1.0"},
    };
    for (const Entry& entry : entries)
        if (const LONG nError =
                platform::registry::SetString(entry.strKey, entry.szName, entry.strData))
            return HRESULT_FROM_WIN32(nError);
    return S_OK;
}

#endif

} // namespace

HRESULT RegisterServer() {
    std::string strModule;
    std::vector<Entry> entries;
    try {
        strModule = ModulePath();
        entries = ClassEntries(strModule);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (strModule.empty())
        return E_UNEXPECTED; // the module cannot name its own file
    // Stop at the first failure; what was written stays.
    for (const Entry& entry : entries)
        if (const LONG nError =
                platform::registry::SetString(entry.strKey, entry.szName, entry.strData))
            return HRESULT_FROM_WIN32(nError);
    return RegisterTypeLibrary(strModule);
}

HRESULT UnregisterServer() {
    // A key that is already gone is no error; the type library stays registered.
    platform::registry::DeleteTree(kProgId);
    platform::registry::DeleteTree(kVersionIndependentProgId);
    platform::registry::DeleteTree("CLSID\\" + platform::FormatGuid(CLSID_Pagewright));
    return S_OK;
}

} // namespace module
