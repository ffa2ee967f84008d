#include "platform/library.h"

#include "platform/registry.h"

namespace platform::library {

HRESULT WriteRegistryEntries(const std::vector<RegistryEntry>& entries) {
    for (const RegistryEntry& entry : entries)
        if (const LONG nError = registry::SetString(entry.strKey, entry.szName, entry.strData))
            return HRESULT_FROM_WIN32(nError);
    return S_OK;
}

void* LoadExport(const std::string& strPath, const char* szName, HRESULT& hr) {
    void* hLibrary = Load(strPath);
    if (!hLibrary) {
        hr = LoadFailure();
        return nullptr;
    }
    void* pfn = FindExport(hLibrary, szName);
    hr = pfn ? S_OK : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    return pfn;
}

} // namespace platform::library
