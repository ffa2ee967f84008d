#include "platform/library.h"

#include <oleauto.h>
#include <windows.h>

namespace platform::library {

namespace {

// The module that holds pCode, without taking a reference on it.
HMODULE ModuleOf(const void* pCode) {
    HMODULE hModule = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(pCode), &hModule))
        return nullptr;
    return hModule;
}

// The full path of the module's file (null: the program's); empty when the system cannot say.
std::string FileOf(HMODULE hModule) {
    std::string strPath(MAX_PATH, '\0');
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameA(hModule, strPath.data(), static_cast<DWORD>(strPath.size()));
        if (n == 0)
            return std::string();
        if (n < strPath.size()) {
            strPath.resize(n);
            return strPath;
        }
        strPath.resize(strPath.size() * 2); // truncated: try a larger buffer
    }
}

} // namespace

std::string PathOf(const void* pCode) {
    const HMODULE hModule = ModuleOf(pCode);
    return hModule ? FileOf(hModule) : std::string();
}

std::string ExecutableDir() {
    const std::string strPath = FileOf(nullptr);
    return strPath.substr(0, strPath.find_last_of("\\/") + 1);
}

bool LoadStringResource(const void* pCode, unsigned nId, std::string& str) {
    // Resource strings are at most 4,096 characters long, and the module's are short.
    char buffer[256];
    const int n = ::LoadStringA(ModuleOf(pCode), nId, buffer, sizeof buffer);
    str = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    return true;
}

HRESULT RegisterTypeLibrary(const std::string& strPath, const TypeLibraryInfo&) {
    const int nChars = ::MultiByteToWideChar(CP_ACP, 0, strPath.c_str(), -1, nullptr, 0);
    if (nChars <= 0)
        return HRESULT_FROM_WIN32(::GetLastError());
    std::wstring wstrPath(static_cast<std::size_t>(nChars), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, strPath.c_str(), -1, wstrPath.data(), nChars);
    ITypeLib* pLib = nullptr;
    // Reads the TYPELIB resource and writes the library's and the interface's keys.
    const HRESULT hr = ::LoadTypeLibEx(wstrPath.c_str(), REGKIND_REGISTER, &pLib);
    if (SUCCEEDED(hr))
        pLib->Release();
    return hr;
}

void* Load(const std::string& strPath) {
    return ::LoadLibraryA(strPath.c_str());
}

HRESULT LoadFailure() {
    return HRESULT_FROM_WIN32(::GetLastError());
}

void* FindExport(void* hLibrary, const char* szName) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(hLibrary), szName));
}

bool Unload(void* hLibrary) {
    return ::FreeLibrary(static_cast<HMODULE>(hLibrary)) != 0;
}

} // namespace platform::library
