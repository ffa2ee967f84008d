#include "platform/hostfs.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::hostfs {

bool WritePrivateTempFile(std::string_view bytes, std::string& strPath, std::string& strError) {
    std::error_code ec;
    std::string strTemplate = std::filesystem::temp_directory_path(ec).string();
    if (ec)
        strTemplate = "/tmp";
    if (strTemplate.empty() || strTemplate.back() != '/')
        strTemplate += '/';
    strTemplate += "pagewright-form-XXXXXX";
    // mkstemp creates the file exclusively and with mode 0600 whatever the umask.
    const int fd = ::mkstemp(strTemplate.data());
    if (fd < 0) {
        strError =
            "cannot create a temporary file like \"" + strTemplate + "\": " + std::strerror(errno);
        return false;
    }
    const char* p = bytes.data();
    std::size_t nLeft = bytes.size();
    int nError = 0;
    while (nLeft > 0) {
        const ssize_t n = ::write(fd, p, nLeft);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            nError = n < 0 ? errno : EIO;
            break;
        }
        p += n;
        nLeft -= static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && nError == 0)
        nError = errno;
    if (nError != 0) {
        ::unlink(strTemplate.c_str());
        strError =
            "cannot write the temporary file \"" + strTemplate + "\": " + std::strerror(nError);
        return false;
    }
    strPath = std::move(strTemplate);
    return true;
}

bool CanCreateFilesIn(const std::string& strDir) {
    // Writing a new name needs write and search permission on the folder.
    return ::access(strDir.c_str(), W_OK | X_OK) == 0;
}

} // namespace platform::hostfs
