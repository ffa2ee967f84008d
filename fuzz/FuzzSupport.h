// What the fuzz targets share: a scratch directory for the files a run needs, and a way to
// stop on a broken invariant that every sanitizer build reports as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace fuzzsupport {

// A directory of this process's own, made on first use and removed when the process ends. It is
// in memory (/dev/shm) where the system has that, since every run writes and reads files.
inline const std::string& ScratchDir() {
    static const std::string s_dir = [] {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string strTemplate = (base / "pagewright-fuzz-XXXXXX").string();
        if (!::mkdtemp(strTemplate.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        static const std::string s_copy = strTemplate;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(s_copy, ec);
        });
        return strTemplate;
    }();
    return s_dir;
}

inline void WriteBytes(const std::string& strPath, std::string_view bytes) {
    // A new file each time: truncating one in place makes some file systems flush it to disk.
    std::filesystem::remove(strPath);
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::perror(strPath.c_str());
        std::abort();
    }
}

inline std::string ReadBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

[[noreturn]] inline void Broken(const char* szWhat, const char* szFile, int nLine) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", szFile, nLine, szWhat);
    std::abort();
}

inline constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

inline bool IsTrimmed(std::string_view s) {
    return s.empty() || (kWhiteSpace.find(s.front()) == std::string_view::npos &&
                         kWhiteSpace.find(s.back()) == std::string_view::npos);
}

} // namespace fuzzsupport

// Unlike assert, stays in optimised builds.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::fuzzsupport::Broken(#cond, __FILE__, __LINE__);                                      \
    } while (0)
