#include "platform/registry.h"

namespace platform::registry {

LONG SetString(std::string_view strKey, std::string_view strName, std::string_view strData) {
    const std::string key(strKey), name(strName), data(strData);
    HKEY hKey = nullptr;
    LONG nError =
        ::RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &hKey, nullptr);
    if (nError != ERROR_SUCCESS)
        return nError;
    nError = ::RegSetValueExA(hKey, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(data.c_str()),
                              static_cast<DWORD>(data.size() + 1));
    ::RegCloseKey(hKey);
    return nError;
}

LONG GetString(std::string_view strKey, std::string_view strName, std::string& strData) {
    const std::string key(strKey), name(strName);
    DWORD nBytes = 0;
    LONG nError =
        ::RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name.empty() ? nullptr : name.c_str(),
                       RRF_RT_REG_SZ, nullptr, nullptr, &nBytes);
    if (nError != ERROR_SUCCESS)
        return nError;
    std::string buffer(nBytes, '\0');
    nError = ::RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name.empty() ? nullptr : name.c_str(),
                            RRF_RT_REG_SZ, nullptr, buffer.data(), &nBytes);
    if (nError != ERROR_SUCCESS)
        return nError;
    buffer.resize(nBytes > 0 ? nBytes - 1 : 0); // drop the terminating zero
    strData = std::move(buffer);
    return ERROR_SUCCESS;
}

LONG DeleteTree(std::string_view strKey) {
    const std::string key(strKey);
    const LONG nError = ::RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    if (nError != ERROR_SUCCESS)
        return nError;
    // Some versions leave the emptied key itself behind.
    const LONG nLeft = ::RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
    return nLeft == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : nLeft;
}

void SetRegistryFile(const std::string&) {}

std::string RegistryFile() {
    return std::string();
}

FileState CheckRegistryFile(const std::string&) {
    return FileState::kUsable;
}

} // namespace platform::registry
