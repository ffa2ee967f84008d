// The entry point Windows calls when it loads and unloads the module (built on Windows only).
#include <windows.h>

#include "component/Pagewright.h"
#include "module/Module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID pReserved) {
    // Thread notifications stay on: the statically linked runtime uses them to clean up
    // per-thread data of worker threads.
    if (dwReason == DLL_PROCESS_DETACH && !pReserved) {
        // Unloaded by FreeLibrary (not process exit): other modules are still there to release
        // what we hold.
        module::ReleaseClassFactory();
        ReleaseDispatchTypeInfo();
    }
    return TRUE;
}
