// Everything a C++ host of the library needs: the interfaces and identifiers, the module's four
// exports and, outside Windows, the BSTR calls (on Windows they come from the system, which
// declares the exports in the same form as well).
//
// Create the object through DllGetClassObject(CLSID_Pagewright, IID_IClassFactory, ...) and
// IClassFactory::CreateInstance, or through the class registry like any COM host.
#pragma once

#include "component/IPagewright.h"
#include "component/PagewrightDiagnostics.h"
#include "component/PagewrightFiles.h"
#include "component/PagewrightWait.h"
#include "platform/bstr.h"
#include "platform/types.h"

STDAPI DllCanUnloadNow();
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();
