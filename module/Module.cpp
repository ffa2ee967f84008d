// The module's entry points and its lock count.
#include "module/Module.h"

#include <atomic>

#include "component/Pagewright.h"

#ifndef _WIN32
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#endif

namespace module {

namespace {

std::atomic<LONG> g_nLocks{0};

#ifdef _WIN32
HINSTANCE g_hModule = nullptr;
#endif

} // namespace

void LockModule() {
    ++g_nLocks;
}

void UnlockModule() {
    --g_nLocks;
}

LONG LockCount() {
    return g_nLocks.load() + LivePagewrightObjects();
}

#ifdef _WIN32

std::string ModulePath() {
    std::string strPath(MAX_PATH, '\0');
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameA(g_hModule, strPath.data(), static_cast<DWORD>(strPath.size()));
        if (n == 0)
            return std::string();
        if (n < strPath.size()) {
            strPath.resize(n);
            return strPath;
        }
        strPath.resize(strPath.size() * 2); // truncated: try a larger buffer
    }
}

std::string ClassDescription() {
    char buffer[256];
    const int n = ::LoadStringA(g_hModule, 1, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

#else

std::string ModulePath() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&DllGetClassObject), &info) || !info.dli_fname)
        return std::string();
    // Absolute, but through the name it was loaded by: the versioned file behind a link such as
    // libpagewright.so.1 changes with every update, the link does not.
    const std::string strFile = info.dli_fname;
    const std::size_t nSlash = strFile.rfind('/');
    const std::string strDir = nSlash == std::string::npos ? "." : strFile.substr(0, nSlash + 1);
    char resolved[PATH_MAX];
    if (!::realpath(strDir.c_str(), resolved))
        return strFile;
    std::string strPath = resolved;
    if (strPath.back() != '/')
        strPath += '/';
    return strPath + strFile.substr(nSlash == std::string::npos ? 0 : nSlash + 1);
}

std::string ClassDescription() {
    return "Pagewright Class";
}

#endif

} // namespace module

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        // Thread notifications stay on: the statically linked runtime uses them to clean up
        // per-thread data of worker threads.
        module::g_hModule = hInstance;
    } else if (dwReason == DLL_PROCESS_DETACH && !pReserved) {
        // Unloaded by FreeLibrary (not process exit): other modules are still there to release
        // what we hold.
        module::ReleaseClassFactory();
        ReleaseDispatchTypeInfo();
    }
    return TRUE;
}
#endif

STDAPI DllCanUnloadNow() {
    return module::LockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(rclsid, CLSID_Pagewright))
        return CLASS_E_CLASSNOTAVAILABLE;
    return module::GetClassFactory(riid, ppv);
}

STDAPI DllRegisterServer() {
    return module::RegisterServer();
}

STDAPI DllUnregisterServer() {
    return module::UnregisterServer();
}
