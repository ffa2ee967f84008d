#include "platform/registry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::registry {

namespace {

constexpr const char* kEnvVar = "PAGEWRIGHT_REGISTRY";
constexpr LONG kPathNotFound = 3; // ERROR_PATH_NOT_FOUND: the folder is missing

// Keys and value names are case-insensitive; the map keeps the spelling first written.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
    }
};
using Values = std::map<std::string, std::string, NoCaseLess>; // "" is the default value
using Keys = std::map<std::string, Values, NoCaseLess>;

bool IsClean(std::string_view text) {
    return text.find_first_of("\t\r\n") == std::string_view::npos;
}

// "a\\b\\" and "a\\b" name the same key; an empty part is not allowed.
bool NormaliseKey(std::string_view strKey, std::string& strOut) {
    while (!strKey.empty() && strKey.back() == '\\')
        strKey.remove_suffix(1);
    if (strKey.empty() || !IsClean(strKey) || strKey.front() == '\\' ||
        strKey.find("\\\\") != std::string_view::npos)
        return false;
    strOut.assign(strKey);
    return true;
}

bool IsUnder(const std::string& strKey, const std::string& strRoot) {
    NoCaseLess less;
    if (strKey.size() < strRoot.size())
        return false;
    const std::string head = strKey.substr(0, strRoot.size());
    if (less(head, strRoot) || less(strRoot, head))
        return false;
    return strKey.size() == strRoot.size() || strKey[strRoot.size()] == '\\';
}

// Whether the file at strPath, which exists, begins with the signature line (or is empty).
// False also when it cannot be read: it is not for us to overwrite then.
bool HasSignature(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    if (!std::getline(in, line))
        return in.eof() && line.empty(); // an empty file
    return line == kRegistrySignature;
}

// The open store: the file, locked for the life of the object.
class Store {
public:
    explicit Store(bool bWrite) : m_strPath(RegistryFile()) {
        // Someone else's file is refused before anything (the lock file too) is created.
        struct stat st {};
        if (::stat(m_strPath.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) {
                m_nError = ERROR_ACCESS_DENIED;
                return;
            }
            if (!HasSignature(m_strPath)) {
                m_nError = ERROR_INVALID_DATA;
                return;
            }
        }
        // The lock lives on a file of its own: the data file is replaced by rename. A link
        // planted at the lock's name is refused, not followed to create or lock what it leads
        // to; the lock file is never written, so a hard link there costs nothing.
        m_nLock =
            ::open((m_strPath + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (m_nLock < 0 && errno == ENOENT) {
            if (bWrite) {
                m_nError = kPathNotFound; // the folder is not made here
                return;
            }
            m_nError = ERROR_SUCCESS; // no folder: an empty registry
            m_bOpen = true;
            return;
        }
        if (m_nLock < 0 || ::flock(m_nLock, bWrite ? LOCK_EX : LOCK_SH) != 0) {
            m_nError = errno == EACCES || errno == EPERM || errno == EROFS ? ERROR_ACCESS_DENIED
                                                                           : ERROR_INVALID_DATA;
            return;
        }
        m_bOpen = Load();
    }
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;
    ~Store() {
        if (m_nLock >= 0)
            ::close(m_nLock);
    }

    LONG Error() const { return m_bOpen ? ERROR_SUCCESS : m_nError; }
    Keys& Data() { return m_keys; }

    LONG Save() {
        std::string text(kRegistrySignature);
        text += '\n';
        for (const auto& [key, values] : m_keys) {
            text += key + '\n';
            for (const auto& [name, data] : values)
                text += key + '\t' + (name.empty() ? "=" : name) + '\t' + data + '\n';
        }
        // A fresh file in the same folder, renamed over the old one once it is complete.
        std::string strTemp = m_strPath + ".XXXXXX";
        const int fd = ::mkstemp(strTemp.data());
        if (fd < 0)
            return errno == ENOENT ? kPathNotFound : ERROR_ACCESS_DENIED;
        // mkstemp makes the file private; a registry keeps the mode it had, 0644 when new.
        struct stat st {};
        const mode_t mode = ::stat(m_strPath.c_str(), &st) == 0 ? st.st_mode & 07777 : 0644;
        bool bWritten = ::fchmod(fd, mode) == 0;
        for (std::size_t nDone = 0; bWritten && nDone < text.size();) {
            const ssize_t n = ::write(fd, text.data() + nDone, text.size() - nDone);
            if (n < 0 && errno == EINTR)
                continue;
            bWritten = n > 0;
            nDone += n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        bWritten = ::fsync(fd) == 0 && bWritten;
        bWritten = ::close(fd) == 0 && bWritten;
        if (!bWritten || std::rename(strTemp.c_str(), m_strPath.c_str()) != 0) {
            ::unlink(strTemp.c_str());
            return ERROR_ACCESS_DENIED;
        }
        return ERROR_SUCCESS;
    }

private:
    bool Load() {
        std::ifstream in(m_strPath, std::ios::binary);
        if (!in)
            return true; // not written yet: empty
        std::string line;
        // Checked again under the lock: the file may have been replaced since.
        if (std::getline(in, line) && line != kRegistrySignature) {
            m_nError = ERROR_INVALID_DATA;
            return false;
        }
        while (std::getline(in, line)) {
            if (line.empty())
                continue;
            const std::size_t nTab1 = line.find('\t');
            if (nTab1 == std::string::npos) {
                m_keys[line];
                continue;
            }
            const std::size_t nTab2 = line.find('\t', nTab1 + 1);
            if (nTab2 == std::string::npos) {
                m_nError = ERROR_INVALID_DATA;
                return false;
            }
            std::string name = line.substr(nTab1 + 1, nTab2 - nTab1 - 1);
            if (name == "=")
                name.clear();
            m_keys[line.substr(0, nTab1)][name] = line.substr(nTab2 + 1);
        }
        return true;
    }

    std::string m_strPath;
    int m_nLock = -1;
    bool m_bOpen = false;
    LONG m_nError = ERROR_INVALID_DATA;
    Keys m_keys;
};

} // namespace

LONG SetString(std::string_view strKey, std::string_view strName, std::string_view strData) {
    std::string key;
    if (!NormaliseKey(strKey, key) || !IsClean(strName) || strName == "=" || !IsClean(strData))
        return ERROR_INVALID_PARAMETER;
    Store store(true);
    if (store.Error() != ERROR_SUCCESS)
        return store.Error();
    // Like RegCreateKeyEx, every missing parent comes into being too.
    bool bChanged = false;
    for (std::size_t n = key.find('\\'); n != std::string::npos; n = key.find('\\', n + 1))
        bChanged |= store.Data().try_emplace(key.substr(0, n)).second;
    auto& values = store.Data()[key];
    const auto [itValue, bNew] = values.try_emplace(std::string(strName), strData);
    if (!bNew && itValue->second != strData) {
        itValue->second = std::string(strData);
        bChanged = true;
    }
    // The command registers its module on every run: a value it holds already is not written
    // again, which would cost a file written, flushed to disk and renamed for every entry.
    return bChanged || bNew ? store.Save() : ERROR_SUCCESS;
}

LONG GetString(std::string_view strKey, std::string_view strName, std::string& strData) {
    std::string key;
    if (!NormaliseKey(strKey, key))
        return ERROR_INVALID_PARAMETER;
    Store store(false);
    if (store.Error() != ERROR_SUCCESS)
        return store.Error();
    const auto itKey = store.Data().find(key);
    if (itKey == store.Data().end())
        return ERROR_FILE_NOT_FOUND;
    const auto itValue = itKey->second.find(std::string(strName));
    if (itValue == itKey->second.end())
        return ERROR_FILE_NOT_FOUND;
    strData = itValue->second;
    return ERROR_SUCCESS;
}

LONG DeleteTree(std::string_view strKey) {
    std::string key;
    if (!NormaliseKey(strKey, key))
        return ERROR_INVALID_PARAMETER;
    Store store(true);
    if (store.Error() != ERROR_SUCCESS)
        return store.Error();
    bool bFound = false;
    for (auto it = store.Data().begin(); it != store.Data().end();) {
        if (IsUnder(it->first, key)) {
            it = store.Data().erase(it);
            bFound = true;
        } else {
            ++it;
        }
    }
    return bFound ? store.Save() : ERROR_FILE_NOT_FOUND;
}

void SetRegistryFile(const std::string& strPath) {
    ::setenv(kEnvVar, strPath.c_str(), 1);
}

std::string RegistryFile() {
    if (const char* pPath = std::getenv(kEnvVar); pPath && *pPath)
        return pPath;
    std::string strBase;
    if (const char* pData = std::getenv("XDG_DATA_HOME"); pData && *pData)
        strBase = pData;
    else if (const char* pHome = std::getenv("HOME"); pHome && *pHome)
        strBase = std::string(pHome) + "/.local/share";
    else
        strBase = "/tmp";
    return strBase + "/pagewright/registry";
}

FileState CheckRegistryFile(const std::string& strPath) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return FileState::kDirectory;
        if (!HasSignature(strPath))
            return FileState::kNotARegistry;
    }
    // Writers replace the file by a new one in its folder, so the folder decides.
    std::filesystem::path folder = std::filesystem::path(strPath).parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return FileState::kNoFolder;
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? FileState::kUsable : FileState::kReadOnly;
}

} // namespace platform::registry
