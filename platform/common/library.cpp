#include "platform/library.h"

#include "platform/registry.h"

namespace platform::library {

HRESULT WriteRegistryEntries(const std::vector<RegistryEntry>& entries) {
    for (const RegistryEntry& entry : entries)
        if (const LONG nError = registry::SetString(entry.strKey, entry.szName, entry.strData))
            return HRESULT_FROM_WIN32(nError);
    return S_OK;
}

} // namespace platform::library
