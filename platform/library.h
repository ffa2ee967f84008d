// Libraries as files: a DLL on Windows, a shared object elsewhere. Which file holds a piece of
// code, what the file carries besides code (string resources, a type library), and loading a
// library to call its exports.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace platform::library {

// The full path of the library file that holds pCode, the address of a function in it; empty
// when the system cannot say. Outside Windows the folder is resolved but the file keeps the name
// it was loaded by: the versioned file behind a link such as libpagewright.so.1 changes with
// every update, the link does not.
std::string PathOf(const void* pCode);

// The folder of the running program's own file, with a trailing separator; empty when the
// system cannot say.
std::string ExecutableDir();

// String resource nId of the library that holds pCode ("" when it has none). False where
// libraries carry no string resources (outside Windows); str is then left as it was.
bool LoadStringResource(const void* pCode, unsigned nId, std::string& str);

// One string value that registration writes under HKEY_CLASSES_ROOT.
struct RegistryEntry {
    std::string strKey;
    const char* szName; // "" for the key's default value
    std::string strData;
};

// Writes the entries in order and stops at the first failure, whose HRESULT it returns; what
// was written before stays.
HRESULT WriteRegistryEntries(const std::vector<RegistryEntry>& entries);

// What the system's type library registration writes for a library with one interface.
struct TypeLibraryInfo {
    GUID libid;
    const char* szVersion;       // "1.0"
    const char* szHelpString;    // the library's help string
    GUID iid;                    // the interface's identifier
    const char* szInterfaceName; // and its name
};

// Registers the type library that the library file strPath carries as resource TYPELIB 1. On
// Windows the system reads it from the file; elsewhere, where nothing can read it, the keys
// that the system would write are written from info.
HRESULT RegisterTypeLibrary(const std::string& strPath, const TypeLibraryInfo& info);

// Loads the library file for calling its exports; null when it cannot be loaded.
void* Load(const std::string& strPath);
// Why the last Load on this thread failed, as an HRESULT.
HRESULT LoadFailure();
// The export szName of a loaded library; null when it has none.
void* FindExport(void* hLibrary, const char* szName);
// Drops the reference Load took; false when the system refuses.
bool Unload(void* hLibrary);

// Loads the library file (and keeps it loaded) and finds its export szName. Null, with hr
// saying why (the library cannot be loaded, or has no such export), when that fails.
void* LoadExport(const std::string& strPath, const char* szName, HRESULT& hr);

} // namespace platform::library
