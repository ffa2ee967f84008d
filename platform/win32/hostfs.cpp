#include "platform/hostfs.h"

#include <windows.h>

#include <io.h>

namespace platform::hostfs {

namespace {

std::string ErrorText(DWORD nError) {
    char* pText = nullptr;
    const DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, nError, 0, reinterpret_cast<char*>(&pText), 0, nullptr);
    std::string strText =
        n > 0 && pText ? std::string(pText, n) : "error " + std::to_string(nError);
    if (pText)
        ::LocalFree(pText);
    while (!strText.empty() && (strText.back() == '\n' || strText.back() == '\r'))
        strText.pop_back();
    return strText;
}

} // namespace

bool WritePrivateTempFile(std::string_view bytes, std::string& strPath, std::string& strError) {
    char szDir[MAX_PATH + 1];
    char szPath[MAX_PATH + 1];
    if (::GetTempPathA(sizeof szDir, szDir) == 0 ||
        ::GetTempFileNameA(szDir, "pwf", 0, szPath) == 0) {
        strError = "cannot create a temporary file: " + ErrorText(::GetLastError());
        return false;
    }
    // GetTempFileName made the file; the user's temporary folder is private to the user.
    const HANDLE h = ::CreateFileA(szPath, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                   FILE_ATTRIBUTE_TEMPORARY, nullptr);
    DWORD nError = h == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    const char* p = bytes.data();
    std::size_t nLeft = bytes.size();
    while (nError == 0 && nLeft > 0) {
        DWORD nDone = 0;
        const DWORD nChunk = nLeft > 0x10000000 ? 0x10000000 : static_cast<DWORD>(nLeft);
        if (!::WriteFile(h, p, nChunk, &nDone, nullptr) || nDone == 0) {
            nError = ::GetLastError();
            break;
        }
        p += nDone;
        nLeft -= nDone;
    }
    if (h != INVALID_HANDLE_VALUE && !::CloseHandle(h) && nError == 0)
        nError = ::GetLastError();
    if (nError != 0) {
        ::DeleteFileA(szPath);
        strError =
            std::string("cannot write the temporary file \"") + szPath + "\": " + ErrorText(nError);
        return false;
    }
    strPath = szPath;
    return true;
}

bool CanCreateFilesIn(const std::string& strDir) {
    return ::_access(strDir.c_str(), 2) == 0;
}

} // namespace platform::hostfs
