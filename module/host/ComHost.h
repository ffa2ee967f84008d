// Host side: creating a registered class the way COM does for an in-process server, without
// COM. Used by the pagewright command and the module tests, on Linux with the registry stand-in
// and on Windows with the real registry.
#pragma once

#include <string>

#include "platform/types.h"

namespace host {

// ProgID -> "<ProgID>\CLSID" -> "CLSID\{...}\InprocServer32" -> load that module ->
// DllGetClassObject -> IClassFactory::CreateInstance(nullptr, riid). A ProgID that is not
// registered gives CO_E_CLASSSTRING, a class without a module REGDB_E_CLASSNOTREG, a module that
// cannot be loaded or lacks the export the HRESULT of ERROR_MOD_NOT_FOUND / ERROR_PROC_NOT_FOUND.
// Modules stay loaded for the rest of the process.
HRESULT CreateInstanceFromProgId(const std::string& strProgId, REFIID riid, void** ppv);

// Loads the module and calls its DllRegisterServer.
HRESULT RegisterModule(const std::string& strModulePath);

// The module's exported function, or null (with the module left loaded).
void* LoadModuleExport(const std::string& strModulePath, const char* szName, HRESULT& hr);

} // namespace host
