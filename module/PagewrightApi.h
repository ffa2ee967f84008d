// Everything a C++ host of the library needs: the interfaces and identifiers, the module's four
// exports and, outside Windows, the BSTR calls (on Windows they come from the system).
//
// Create the object through DllGetClassObject(CLSID_Pagewright, IID_IClassFactory, ...) and
// IClassFactory::CreateInstance, or through the class registry like any COM host.
#pragma once

#include "component/IPagewright.h"
#include "component/PagewrightDiagnostics.h"
#include "platform/bstr.h"
#include "platform/types.h"

#ifndef _WIN32
extern "C" {
HRESULT DllCanUnloadNow();
HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
}
#endif
