// The host side: everything a program that drives the generator object includes. The object's
// interfaces and identifiers (module/PagewrightApi.h), creating a registered class the way COM
// does for an in-process server without COM, the class registry it is found in, and the few
// system services a host needs around the object. Used by the pagewright command and the module
// tests, on Linux with the registry stand-in and on Windows with the real registry.
#pragma once

#include <string>

#include "module/PagewrightApi.h"
#include "platform/hostfs.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "platform/strconv.h"

namespace host {

// ProgID -> "<ProgID>\CLSID" -> "CLSID\{...}\InprocServer32" -> load that module ->
// DllGetClassObject -> IClassFactory::CreateInstance(nullptr, riid). A ProgID that is not
// registered gives CO_E_CLASSSTRING, a class without a module REGDB_E_CLASSNOTREG, a module that
// cannot be loaded or lacks the export the HRESULT of ERROR_MOD_NOT_FOUND / ERROR_PROC_NOT_FOUND.
// Modules stay loaded for the rest of the process.
HRESULT CreateInstanceFromProgId(const std::string& strProgId, REFIID riid, void** ppv);

// Loads the module and calls its DllRegisterServer.
HRESULT RegisterModule(const std::string& strModulePath);

// The module the registry names for the class of strProgId, or empty when it names none.
std::string RegisteredModule(const std::string& strProgId);

// The class registry: the system's on Windows, a file the host may choose elsewhere.
namespace registry = platform::registry;

// Strings across the interfaces: a BSTR result as 8-bit text, 8-bit text as a BSTR argument.
using platform::BstrToAnsi;
using platform::ScopedBstr;

// Where the host's own file is (the module is looked for beside it), and whether a folder takes
// new files.
using platform::hostfs::CanCreateFilesIn;
using platform::library::ExecutableDir;

} // namespace host
