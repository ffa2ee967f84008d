// File-system helpers for hosts such as the pagewright command: where the running program and
// its module are, private temporary files, and whether a folder takes new files. The component
// and the engine's page writing do not use them.
#pragma once

#include <string>
#include <string_view>

namespace platform::hostfs {

// The folder of the running program's own file, with a trailing separator; empty when the
// system cannot say.
std::string ExecutableDir();

// The file name of the module a host loads: PAGEWRIGHT.DLL or libpagewright.so.
const char* ModuleFileName();

// Writes bytes to a new file in the system's temporary folder that only this user can read
// (created exclusively, never an existing file). On success strPath names it; the caller
// removes it. On failure strError says why and no file is left behind.
bool WritePrivateTempFile(std::string_view bytes, std::string& strPath, std::string& strError);

// Whether this process may create files in the folder (which must exist).
bool CanCreateFilesIn(const std::string& strDir);

} // namespace platform::hostfs
