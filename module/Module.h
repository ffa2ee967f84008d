// What the module's parts share: its lock count, its file and its class description.
#pragma once

#include <string>

#include "platform/types.h"

namespace module {

// LockServer's part of the lock count; live objects make up the rest.
void LockModule();
void UnlockModule();
// Locks plus live objects: the module may be unloaded when this is 0.
LONG LockCount();

// The full path of the module file, as registration writes it.
std::string ModulePath();
// "Pagewright Class": the module's string resource 1 where modules carry string resources.
std::string ClassDescription();

// The class object, made on first use (serialised) and kept until unload. With a reference.
HRESULT GetClassFactory(REFIID riid, void** ppv);
// At unload: drops the class object.
void ReleaseClassFactory();

HRESULT RegisterServer();
HRESULT UnregisterServer();

} // namespace module
