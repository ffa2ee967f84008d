#include <windows.h>

#include "platform/osapi.h"

namespace platform::os {

namespace {

HANDLE ToHandle(FileHandle hFile) {
    return reinterpret_cast<HANDLE>(hFile);
}

int LastError() {
    return static_cast<int>(::GetLastError());
}

} // namespace

// Paths are 8-bit text in the ANSI code page, so the ...A calls take them as they are.

bool OpenForReading(const std::string& strPath, FileHandle& hFile, int& nError) {
    const HANDLE h = ::CreateFileA(strPath.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        nError = LastError();
        return false;
    }
    // A character device (CON, a serial port) is no text file: reading it would wait for
    // typing. Pipes are read; their writer decides when they end.
    if (::GetFileType(h) == FILE_TYPE_CHAR) {
        ::CloseHandle(h);
        nError = ERROR_BAD_DEVICE;
        return false;
    }
    hFile = reinterpret_cast<FileHandle>(h);
    return true;
}

bool CreateNewFile(const std::string& strPath, FileHandle& hFile, int& nError) {
    // CREATE_NEW refuses every existing name, a reparse point's too, and the flag keeps a
    // reparse point from being followed. DELETE access and FILE_SHARE_DELETE let MoveOnto move
    // the file while it is open.
    const HANDLE h = ::CreateFileA(strPath.c_str(), GENERIC_WRITE | DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        nError = LastError();
        return false;
    }
    hFile = reinterpret_cast<FileHandle>(h);
    return true;
}

bool MayReplace(const std::string&, int&) {
    // MoveFileEx refuses what CreateFile would not empty (a read-only file, a directory) by
    // itself, with the same error.
    return true;
}

bool MoveOnto(const std::string& strFrom, const std::string& strTo, int& nError) {
    // Replaces the entry at strTo; a hard link or a reparse point there is not followed.
    if (!::MoveFileExA(strFrom.c_str(), strTo.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        nError = LastError();
        return false;
    }
    return true;
}

bool ReadSome(FileHandle hFile, char* pBuffer, std::size_t nSize, std::size_t& nRead, int& nError) {
    // One call moves at most what a DWORD can count.
    const DWORD nAsk = nSize > 0x40000000u ? 0x40000000u : static_cast<DWORD>(nSize);
    DWORD nDone = 0;
    if (!::ReadFile(ToHandle(hFile), pBuffer, nAsk, &nDone, nullptr)) {
        nError = LastError();
        // A pipe whose writer has closed has simply ended, as the C runtime reads it too.
        if (nError != ERROR_BROKEN_PIPE)
            return false;
        nDone = 0;
    }
    nRead = nDone;
    return true;
}

bool WriteSome(FileHandle hFile, const char* pData, std::size_t nSize, std::size_t& nWritten,
               int& nError) {
    const DWORD nAsk = nSize > 0x40000000u ? 0x40000000u : static_cast<DWORD>(nSize);
    DWORD nDone = 0;
    if (!::WriteFile(ToHandle(hFile), pData, nAsk, &nDone, nullptr)) {
        nError = LastError();
        return false;
    }
    if (nDone == 0 && nSize > 0) {
        nError = ERROR_DISK_FULL;
        return false;
    }
    nWritten = nDone;
    return true;
}

bool CloseFile(FileHandle hFile, int& nError) {
    if (!::CloseHandle(ToHandle(hFile))) {
        nError = LastError();
        return false;
    }
    return true;
}

bool RemovePath(const std::string& strPath, int& nError) {
    if (!::DeleteFileA(strPath.c_str())) {
        nError = LastError();
        return false;
    }
    return true;
}

bool IsExistsError(int nError) {
    // CREATE_NEW reports ERROR_FILE_EXISTS; some file systems say ERROR_ALREADY_EXISTS.
    return nError == ERROR_FILE_EXISTS || nError == ERROR_ALREADY_EXISTS;
}

int NotOpenError() {
    return ERROR_INVALID_HANDLE;
}

std::string ErrorText(int nError) {
    char* pText = nullptr;
    const DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(nError), 0, reinterpret_cast<LPSTR>(&pText), 0, nullptr);
    std::string strText;
    if (n > 0 && pText) {
        strText.assign(pText, n);
        while (!strText.empty() && (strText.back() == '\n' || strText.back() == '\r' ||
                                    strText.back() == ' ' || strText.back() == '.'))
            strText.pop_back();
    } else {
        strText = "error " + std::to_string(nError);
    }
    if (pText)
        ::LocalFree(pText);
    return strText;
}

} // namespace platform::os
