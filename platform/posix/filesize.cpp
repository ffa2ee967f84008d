#include <sys/stat.h>

#include "platform/osapi.h"

namespace platform::os {

bool KnownFileSize(FileHandle hFile, std::uint64_t& nSize) {
    struct stat st {};
    if (::fstat(static_cast<int>(hFile), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0)
        return false;
    nSize = static_cast<std::uint64_t>(st.st_size);
    return true;
}

} // namespace platform::os
