// File-system helpers for hosts such as the pagewright command: private temporary files, and
// whether a folder takes new files. The component and the engine's page writing do not use them.
// Where the program and its module are is library.h's business.
#pragma once

#include <string>
#include <string_view>

namespace platform::hostfs {

// Writes bytes to a new file in the system's temporary folder that only this user can read
// (created exclusively, never an existing file). On success strPath names it; the caller
// removes it. On failure strError says why and no file is left behind.
bool WritePrivateTempFile(std::string_view bytes, std::string& strPath, std::string& strError);

// Whether this process may create files in the folder (which must exist).
bool CanCreateFilesIn(const std::string& strDir);

} // namespace platform::hostfs
