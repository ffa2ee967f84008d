// Helpers shared by the test suites: scratch folders, whole files, a held file, a fixed clock.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace testsupport {

// A fresh directory under the system's temporary directory, removed with everything in it
// when the object goes away.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    const std::filesystem::path& Path() const { return m_path; }
    // Path() / name, as a string.
    std::string File(const std::string& name) const;

private:
    std::filesystem::path m_path;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Names of the regular files directly inside dir, sorted.
std::vector<std::string> ListFiles(const std::string& dir);

// A file whose reader blocks until the test releases it with its contents: a FIFO on POSIX, a
// named pipe on Windows. Holds a job on its form file for as long as a test needs.
class HeldFile {
public:
    explicit HeldFile(const TempDir& dir);
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile();
    const std::string& Path() const { return m_path; }
    // Lets one reader (already waiting, or the next to open) read bytes and then the end.
    void Release(const std::string& bytes);

private:
    std::string m_path;
    void* m_hPipe = nullptr;
};

// While alive, the local clock reads the given date and time (or, with bFail, cannot be
// converted to a calendar date).
class FixedClock {
public:
    explicit FixedClock(const platform::LocalDateTime& dt);
    explicit FixedClock(bool bFail);
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
    ~FixedClock();

private:
    platform::testing::LocalClockFn m_previous;
};

} // namespace testsupport
