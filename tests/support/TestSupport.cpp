#include "TestSupport.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#define getpid _getpid
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testsupport {

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<unsigned> s_nCounter{0};
    fs::path base = fs::temp_directory_path();
    for (int nTry = 0; nTry < 1000; ++nTry) {
        fs::path candidate = base / ("pagewright-test-" + std::to_string(::getpid()) + "-" +
                                     std::to_string(s_nCounter++));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string TempDir::File(const std::string& name) const {
    // Joined as bytes: on Windows a trip through path would re-encode non-ASCII names, while
    // the component takes them as they are.
    return m_path.string() + static_cast<char>(fs::path::preferred_separator) + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    if (!(std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes))
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::vector<std::string> ListFiles(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#ifdef _WIN32
HeldFile::HeldFile(const TempDir& dir) {
    static std::atomic<unsigned> s_nCounter{0};
    m_path = "\\\\.\\pipe\\" + dir.Path().filename().string() + "-" + std::to_string(s_nCounter++);
    m_hPipe = ::CreateNamedPipeA(m_path.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                 1, 64 * 1024, 0, 0, nullptr);
    if (m_hPipe == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create the pipe " + m_path);
}

HeldFile::~HeldFile() {
    if (m_hPipe)
        ::CloseHandle(m_hPipe);
}

void HeldFile::Release(const std::string& bytes) {
    if (!::ConnectNamedPipe(m_hPipe, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED)
        throw std::runtime_error("nobody opened " + m_path);
    DWORD nDone = 0;
    ::WriteFile(m_hPipe, bytes.data(), static_cast<DWORD>(bytes.size()), &nDone, nullptr);
    ::FlushFileBuffers(m_hPipe);
    ::CloseHandle(m_hPipe);
    m_hPipe = nullptr;
}
#else
HeldFile::HeldFile(const TempDir& dir) : m_path(dir.File("held.frm")) {
    if (::mkfifo(m_path.c_str(), 0600) != 0)
        throw std::runtime_error("cannot create the FIFO " + m_path);
}

HeldFile::~HeldFile() = default;

void HeldFile::Release(const std::string& bytes) {
    WriteFile(m_path, bytes);
}
#endif

static platform::LocalDateTime g_fixedTime{};

FixedClock::FixedClock(const platform::LocalDateTime& dt) {
    g_fixedTime = dt;
    m_previous = platform::testing::SetLocalClock(
        [](platform::LocalDateTime& now) { return now = g_fixedTime, true; });
}

FixedClock::FixedClock(bool bFail)
    : m_previous(platform::testing::SetLocalClock(
          bFail ? +[](platform::LocalDateTime&) { return false; } : nullptr)) {}

FixedClock::~FixedClock() {
    platform::testing::SetLocalClock(m_previous);
}

} // namespace testsupport
