// The class's registry entries and the type library's registration.
#include <new>
#include <string>
#include <vector>

#include "component/Pagewright.h"
#include "module/Module.h"
#include "platform/library.h"
#include "platform/registry.h"

namespace module {

namespace {

constexpr const char* kProgId = "Pagewright.Pagewright.1";
constexpr const char* kVersionIndependentProgId = "Pagewright.Pagewright";

// In the order they are written: the two ProgID keys, then the class key and its subkeys.
std::vector<platform::library::RegistryEntry> ClassEntries(const std::string& strModule) {
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

} // namespace

HRESULT RegisterServer() {
    std::string strModule;
    std::vector<platform::library::RegistryEntry> entries;
    try {
        strModule = ModulePath();
        entries = ClassEntries(strModule);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (strModule.empty())
        return E_UNEXPECTED; // the module cannot name its own file
    // Stop at the first failure; what was written stays.
    if (const HRESULT hr = platform::library::WriteRegistryEntries(entries); FAILED(hr))
        return hr;
    const platform::library::TypeLibraryInfo typeLibrary = {
        LIBID_PAGEWRIGHTLib, "1.0", "Pagewright 1.0 Type Library", IID_IPagewright, "IPagewright"};
    return platform::library::RegisterTypeLibrary(strModule, typeLibrary);
}

HRESULT UnregisterServer() {
    // A key that is already gone is no error; the type library stays registered.
    platform::registry::DeleteTree(kProgId);
    platform::registry::DeleteTree(kVersionIndependentProgId);
    platform::registry::DeleteTree("CLSID\\" + platform::FormatGuid(CLSID_Pagewright));
    return S_OK;
}

} // namespace module
