// What each operating system supplies under the portable platform layer: raw file access, the
// system clock and thread start. platform/posix and platform/win32 each implement these once;
// everything shared (buffering, line splitting, test hooks) is written on top of them in
// platform/common. Not for use outside platform/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/thread.h"

namespace platform::os {

// A file descriptor or a Win32 HANDLE; kNoFile is neither.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// Each call returns false on failure and leaves the system's error code in nError.
// Opens for reading without shutting other openers out; a directory is refused.
bool OpenForReading(const std::string& strPath, FileHandle& hFile, int& nError);
// Creates a new file for writing (a newly created file's permissions: the umask applies). Fails,
// with an error for which IsExistsError holds, when anything at all stands at the name: a file,
// a directory, a pipe, a link, a dangling link. A link is never followed.
bool CreateNewFile(const std::string& strPath, FileHandle& hFile, int& nError);
bool IsExistsError(int nError);
// False, with the error that opening it for writing gives, when what stands at strPath is a
// file this process may not write: MoveOnto refuses to replace it as an open for writing would
// refuse to empty it. True when nothing stands there, or a link, which MoveOnto replaces.
bool MayReplace(const std::string& strPath, int& nError);
// Moves the file strFrom onto strTo in the same folder, replacing what stands at strTo as a
// directory entry: a file, a hard link or a symbolic link goes, and what a link leads to is not
// touched. Fails for a directory. strFrom may be open (from CreateNewFile) and stays open.
bool MoveOnto(const std::string& strFrom, const std::string& strTo, int& nError);
// nRead == 0 means the end of the file.
bool ReadSome(FileHandle hFile, char* pBuffer, std::size_t nSize, std::size_t& nRead, int& nError);
// Writes at least one byte of a non-empty buffer, or fails.
bool WriteSome(FileHandle hFile, const char* pData, std::size_t nSize, std::size_t& nWritten,
               int& nError);
bool CloseFile(FileHandle hFile, int& nError);
// The size of an open regular file; false for a pipe or anything else whose size is not known
// before it has been read.
bool KnownFileSize(FileHandle hFile, std::uint64_t& nSize);
// Removes the directory entry: a link goes, what it leads to stays.
bool RemovePath(const std::string& strPath, int& nError);
// The error code of an operation on a file that is not open.
int NotOpenError();
// The system's description of an error code.
std::string ErrorText(int nError);

// The current local time from the system.
bool SystemLocalDateTime(LocalDateTime& dt);

// Starts a detached thread; false when the system cannot.
bool StartSystemThread(ThreadProc proc, void* pParam);

} // namespace platform::os
