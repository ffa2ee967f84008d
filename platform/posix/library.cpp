#include "platform/library.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

#include "platform/registry.h"

namespace platform::library {

namespace {

// The folder part of a path, with its trailing "/"; empty for a bare name.
std::string FolderOf(const std::string& strPath) {
    return strPath.substr(0, strPath.find_last_of('/') + 1);
}

} // namespace

std::string PathOf(const void* pCode) {
    Dl_info info{};
    if (!::dladdr(pCode, &info) || !info.dli_fname)
        return std::string();
    const std::string strFile = info.dli_fname;
    const std::size_t nSlash = strFile.rfind('/');
    const std::string strDir = nSlash == std::string::npos ? "." : strFile.substr(0, nSlash + 1);
    char resolved[PATH_MAX];
    if (!::realpath(strDir.c_str(), resolved))
        return strFile;
    std::string strPath = resolved;
    if (strPath.back() != '/')
        strPath += '/';
    return strPath + strFile.substr(nSlash == std::string::npos ? 0 : nSlash + 1);
}

std::string ExecutableDir() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    return FolderOf(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0));
}

bool LoadStringResource(const void*, unsigned, std::string&) {
    return false;
}

// The keys the Windows type library registration writes for such a library and its interface.
HRESULT RegisterTypeLibrary(const std::string& strPath, const TypeLibraryInfo& info) {
    const std::string strLibid = FormatGuid(info.libid);
    const std::string strLibKey = "TypeLib\\" + strLibid + "\\" + info.szVersion;
    const std::string strDir = FolderOf(strPath);
    const std::string strInterfaceKey = "Interface\\" + FormatGuid(info.iid);
    return WriteRegistryEntries({
        {strLibKey, "", info.szHelpString},
        {strLibKey + "\\FLAGS", "", "0"},
        {strLibKey + "\\0\\win32", "", strPath},
        {strLibKey + "\\HELPDIR", "", strDir},
        {strInterfaceKey, "", info.szInterfaceName},
        // The system's marshaller for dual interfaces described by a type library.
        {strInterfaceKey + "\\ProxyStubClsid32", "", "{00020424-0000-0000-C000-000000000046}"},
        {strInterfaceKey + "\\TypeLib", "", strLibid},
        {strInterfaceKey + "\\TypeLib", "Version", info.szVersion},
    });
}

void* Load(const std::string& strPath) {
    return ::dlopen(strPath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

HRESULT LoadFailure() {
    // dlopen says why only in words; the code a Windows host would see for a missing module.
    return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
}

void* FindExport(void* hLibrary, const char* szName) {
    return ::dlsym(hLibrary, szName);
}

bool Unload(void* hLibrary) {
    return ::dlclose(hLibrary) == 0;
}

} // namespace platform::library
