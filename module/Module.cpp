// The module's entry points and its lock count.
#include "module/Module.h"

#include <atomic>

#include "component/Pagewright.h"
#include "module/PagewrightApi.h"
#include "platform/library.h"

namespace module {

namespace {

std::atomic<LONG> g_nLocks{0};

// Any function of the module names the module's file.
const void* ThisModule() {
    return reinterpret_cast<const void*>(&DllGetClassObject);
}

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

std::string ModulePath() {
    return platform::library::PathOf(ThisModule());
}

std::string ClassDescription() {
    std::string strDescription = "Pagewright Class"; // where modules carry no string resources
    platform::library::LoadStringResource(ThisModule(), 1, strDescription);
    return strDescription;
}

} // namespace module

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
