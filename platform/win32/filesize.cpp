#include <windows.h>

#include "platform/osapi.h"

namespace platform::os {

bool KnownFileSize(FileHandle hFile, std::uint64_t& nSize) {
    const HANDLE h = reinterpret_cast<HANDLE>(hFile);
    LARGE_INTEGER size;
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileSizeEx(h, &size) || size.QuadPart < 0)
        return false;
    nSize = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

} // namespace platform::os
