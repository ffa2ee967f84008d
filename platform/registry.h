// The class registry: string values under HKEY_CLASSES_ROOT.
//
// On Windows this is the system registry. Elsewhere it is a stand-in kept in one text file, so
// that a module registers itself and a host finds it the same way on both sides. The file begins
// with the line kRegistrySignature, then holds one line per key and one per value, sorted by key:
//
//   key\path                 a key (it may have no values)
//   key\path<TAB>=<TAB>data  the key's default value
//   key\path<TAB>name<TAB>data
//
// Keys and value names compare without regard to ASCII case, as on Windows. No part may hold a
// tab or a line break. Writers rewrite the whole file through a temporary file in the same
// folder and a rename, under an exclusive lock (a file beside it with ".lock" added; a link at
// that name is refused, not followed), so concurrent writers and readers never see half a file
// and a crash never leaves one. The rename replaces a link at the file's name; it is never
// written through.
//
// A file that exists but does not begin with the signature (and is not empty) is someone
// else's: it is neither read nor written, and nothing is created beside it. The folder is never
// created either: a missing folder is an error for writers and an empty registry for readers.
//
// The host chooses the file: SetRegistryFile, which sets the environment variable
// PAGEWRIGHT_REGISTRY so that modules loaded into the process use the same file. Without it the
// file is $XDG_DATA_HOME/pagewright/registry (or ~/.local/share/pagewright/registry).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform::registry {

// Key paths are relative to HKEY_CLASSES_ROOT, parts separated by '\'. An empty value name is
// the key's default value. Results are Win32 error codes: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND
// for a missing key or value, others for failures of the store.

// Creates the key (and its parents) when missing and sets the value.
LONG SetString(std::string_view strKey, std::string_view strName, std::string_view strData);
LONG GetString(std::string_view strKey, std::string_view strName, std::string& strData);
// Deletes the key with all its subkeys and values.
LONG DeleteTree(std::string_view strKey);

// Does nothing on Windows.
void SetRegistryFile(const std::string& strPath);
// The file in use ("" on Windows).
std::string RegistryFile();

// The first line of every registry file.
inline constexpr std::string_view kRegistrySignature = "# Pagewright class registry, format 1";

// What a path offers as a registry file, before anything is written to it.
enum class FileState {
    kUsable,       // a registry file, an empty file, or no file yet in a folder that takes one
    kNotARegistry, // an existing file without the signature
    kDirectory,    // a folder stands where the file should be
    kNoFolder,     // the folder it would be created in does not exist
    kReadOnly,     // the file, or the folder for a new one, cannot be written
};
// Always kUsable on Windows.
FileState CheckRegistryFile(const std::string& strPath);

} // namespace platform::registry

namespace platform {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex, as the registry writes identifiers.
inline std::string FormatGuid(const GUID& guid) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return buffer;
}

// Reads that form (hex digits in either case); false when the text is not one.
inline bool ParseGuid(std::string_view text, GUID& guid) {
    // Offsets of the 16 bytes' hex digits inside the braces, in the order they are stored.
    static constexpr int kByteAt[16] = {1, 3, 5, 7, 10, 12, 15, 17, 20, 22, 25, 27, 29, 31, 33, 35};
    if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-')
        return false;
    auto digit = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    unsigned char bytes[16];
    for (int i = 0; i < 16; ++i) {
        const int hi = digit(text[kByteAt[i]]), lo = digit(text[kByteAt[i] + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes[i] = static_cast<unsigned char>(hi * 16 + lo);
    }
    guid.Data1 =
        static_cast<std::uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
    guid.Data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = bytes[8 + i];
    return true;
}

} // namespace platform
