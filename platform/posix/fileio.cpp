#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/osapi.h"

namespace platform::os {

bool OpenForReading(const std::string& strPath, FileHandle& hFile, int& nError) {
    int fd;
    do {
        fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        nError = errno;
        return false;
    }
    struct stat st {};
    // A directory opens for reading here but not on Windows; refuse it in both places. A device
    // is no text file either: /dev/zero is one endless line and a terminal waits for typing, so
    // a job reading one would never finish. (A pipe is read: its writer decides when it ends.)
    nError = ::fstat(fd, &st) != 0                        ? errno
             : S_ISDIR(st.st_mode)                        ? EISDIR
             : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? ENODEV
                                                          : 0;
    if (nError != 0) {
        ::close(fd);
        return false;
    }
    hFile = fd;
    return true;
}

bool CreateNewFile(const std::string& strPath, FileHandle& hFile, int& nError) {
    // O_EXCL alone already refuses a symbolic link, dangling or not; O_NOFOLLOW says so twice.
    const int nFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd;
    do {
        fd = ::open(strPath.c_str(), nFlags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        nError = errno;
        return false;
    }
    hFile = fd;
    return true;
}

bool MayReplace(const std::string& strPath, int& nError) {
    // The link itself is asked, not what it leads to: a link is always replaced.
    if (::faccessat(AT_FDCWD, strPath.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    const int nAccess = errno;
    if (nAccess != EACCES && nAccess != EPERM)
        return true; // nothing there, or nothing the move would be refused for
    // A directory is refused by the move with the error an open for writing gives (EISDIR),
    // whatever its permissions.
    struct stat st {};
    if (::lstat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    nError = nAccess;
    return false;
}

bool MoveOnto(const std::string& strFrom, const std::string& strTo, int& nError) {
    if (::rename(strFrom.c_str(), strTo.c_str()) != 0) {
        nError = errno;
        return false;
    }
    return true;
}

bool ReadSome(FileHandle hFile, char* pBuffer, std::size_t nSize, std::size_t& nRead, int& nError) {
    ssize_t n;
    do {
        n = ::read(static_cast<int>(hFile), pBuffer, nSize);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        nError = errno;
        return false;
    }
    nRead = static_cast<std::size_t>(n);
    return true;
}

bool WriteSome(FileHandle hFile, const char* pData, std::size_t nSize, std::size_t& nWritten,
               int& nError) {
    ssize_t n;
    do {
        n = ::write(static_cast<int>(hFile), pData, nSize);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        nError = errno;
        return false;
    }
    if (n == 0 && nSize > 0) {
        nError = ENOSPC;
        return false;
    }
    nWritten = static_cast<std::size_t>(n);
    return true;
}

bool CloseFile(FileHandle hFile, int& nError) {
    if (::close(static_cast<int>(hFile)) != 0) {
        nError = errno;
        return false;
    }
    return true;
}

bool RemovePath(const std::string& strPath, int& nError) {
    if (::unlink(strPath.c_str()) != 0) {
        nError = errno;
        return false;
    }
    return true;
}

bool IsExistsError(int nError) {
    return nError == EEXIST;
}

int NotOpenError() {
    return EBADF;
}

std::string ErrorText(int nError) {
    return std::strerror(nError);
}

} // namespace platform::os
