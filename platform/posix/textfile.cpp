#include "platform/textfile.h"

#include "platform/faults.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kWriteBuffer = 64 * 1024;

const char* CauseText(FileException::Cause cause) {
    switch (cause) {
    case FileException::kRead:
        return "cannot read";
    case FileException::kWrite:
        return "cannot write";
    case FileException::kClose:
        return "cannot close";
    case FileException::kRemove:
        return "cannot delete";
    }
    return "file error";
}

} // namespace

FileException::FileException(Cause cause, int nOsError, std::string strPath)
    : m_cause(cause), m_nOsError(nOsError),
      m_strWhat(std::string(CauseText(cause)) + " " + strPath + ": " + std::strerror(nOsError)) {}

// ---- reading ----

TextFileReader::~TextFileReader() {
    Close();
}

bool TextFileReader::Open(const std::string& strPath, int* pError) {
    Close();
    using testing::FileOp;
    faults::PassFileGate();
    int nInjected;
    if (faults::Inject(FileOp::kOpenRead, &nInjected)) {
        if (pError)
            *pError = nInjected;
        return false;
    }
    int fd;
    do {
        fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (pError)
            *pError = errno;
        return false;
    }
    struct stat st {};
    // A directory opens for reading here but not on Windows; refuse it in both places. A device
    // is no text file either: /dev/zero is one endless line and a terminal waits for typing, so
    // a job reading one would never finish. (A pipe is read: its writer decides when it ends.)
    const int nError = ::fstat(fd, &st) != 0                        ? errno
                       : S_ISDIR(st.st_mode)                        ? EISDIR
                       : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? ENODEV
                                                                    : 0;
    if (nError != 0) {
        ::close(fd);
        if (pError)
            *pError = nError;
        return false;
    }
    m_fd = fd;
    m_strPath = strPath;
    m_buffer.resize(kReadChunk);
    m_nStart = m_nEnd = 0;
    m_bEof = false;
    return true;
}

bool TextFileReader::Fill() {
    if (m_nStart > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_nStart, m_nEnd - m_nStart);
        m_nEnd -= m_nStart;
        m_nStart = 0;
    }
    if (m_buffer.size() - m_nEnd < kReadChunk / 2)
        m_buffer.resize(m_buffer.size() * 2);
    int nInjected;
    if (faults::Inject(testing::FileOp::kRead, &nInjected))
        throw FileException(FileException::kRead, nInjected, m_strPath);
    ssize_t n;
    do {
        n = ::read(m_fd, m_buffer.data() + m_nEnd, m_buffer.size() - m_nEnd);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        throw FileException(FileException::kRead, errno, m_strPath);
    if (n == 0) {
        m_bEof = true;
        return false;
    }
    m_nEnd += static_cast<std::size_t>(n);
    return true;
}

bool TextFileReader::ReadLine(std::string& strLine) {
    if (m_fd < 0)
        return false;
    std::size_t nScanned = 0; // bytes after m_nStart known to hold no line feed
    for (;;) {
        const char* pBegin = m_buffer.data() + m_nStart;
        const std::size_t nAvail = m_nEnd - m_nStart;
        const void* pNewline = std::memchr(pBegin + nScanned, '\n', nAvail - nScanned);
        if (pNewline) {
            std::size_t nLen =
                static_cast<std::size_t>(static_cast<const char*>(pNewline) - pBegin);
            const std::size_t nNext = m_nStart + nLen + 1;
            if (nLen > 0 && pBegin[nLen - 1] == '\r')
                --nLen;
            strLine.assign(pBegin, nLen);
            m_nStart = nNext;
            return true;
        }
        nScanned = nAvail;
        // Fill() keeps the unread bytes (moving them to the front), so nScanned stays valid.
        if (m_bEof || !Fill()) {
            if (nAvail == 0)
                return false;
            strLine.assign(m_buffer.data() + m_nStart, nAvail);
            m_nStart = m_nEnd;
            return true;
        }
    }
}

void TextFileReader::Close() noexcept {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_nStart = m_nEnd = 0;
}

// ---- writing ----

TextFileWriter::~TextFileWriter() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool TextFileWriter::Create(const std::string& strPath, int* pError) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    faults::PassFileGate();
    int nInjected;
    if (faults::Inject(testing::FileOp::kCreate, &nInjected)) {
        if (pError)
            *pError = nInjected;
        return false;
    }
    std::string strJailed;
    const std::string& strRealPath = faults::WritePath(strPath, strJailed);
    int fd;
    do {
        fd = ::open(strRealPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_fd = -1;
        if (pError)
            *pError = errno;
        return false;
    }
    m_fd = fd;
    m_strPath = strPath;
    m_buffer.clear();
    m_buffer.reserve(kWriteBuffer);
    return true;
}

void TextFileWriter::WriteAll(const char* p, std::size_t n) {
    int nInjected;
    if (n > 0 && faults::Inject(testing::FileOp::kWrite, &nInjected))
        throw FileException(FileException::kWrite, nInjected, m_strPath);
    while (n > 0) {
        ssize_t nDone = ::write(m_fd, p, n);
        if (nDone < 0) {
            if (errno == EINTR)
                continue;
            throw FileException(FileException::kWrite, errno, m_strPath);
        }
        p += nDone;
        n -= static_cast<std::size_t>(nDone);
    }
}

void TextFileWriter::Flush() {
    // Whether or not the data gets out, it is gone from the buffer: a failed write is reported
    // once, not again at the next flush.
    struct ClearOnExit {
        std::string& buffer;
        ~ClearOnExit() { buffer.clear(); }
    } clear{m_buffer};
    if (!m_buffer.empty())
        WriteAll(m_buffer.data(), m_buffer.size());
}

void TextFileWriter::WriteString(std::string_view text) {
    if (m_fd < 0)
        throw FileException(FileException::kWrite, EBADF, m_strPath);
    if (m_buffer.size() + text.size() <= kWriteBuffer) {
        m_buffer.append(text);
        return;
    }
    Flush();
    if (text.size() >= kWriteBuffer)
        WriteAll(text.data(), text.size());
    else
        m_buffer.append(text);
}

void TextFileWriter::Close() {
    if (m_fd < 0)
        return;
    int nError = 0;
    FileException::Cause cause = FileException::kWrite;
    try {
        Flush();
    } catch (const FileException& e) {
        nError = e.GetOsError();
    }
    m_buffer.clear();
    int nInjected = 0;
    const bool bInjected = faults::Inject(testing::FileOp::kClose, &nInjected);
    if (::close(m_fd) != 0 && nError == 0) {
        nError = errno;
        cause = FileException::kClose;
    }
    // An injected close error still closes the descriptor, as a failed close does.
    if (bInjected && nError == 0) {
        nError = nInjected;
        cause = FileException::kClose;
    }
    m_fd = -1;
    if (nError != 0)
        throw FileException(cause, nError, m_strPath);
}

void RemoveFile(const std::string& strPath) {
    int nInjected;
    if (faults::Inject(testing::FileOp::kRemove, &nInjected))
        throw FileException(FileException::kRemove, nInjected, strPath);
    std::string strJailed;
    if (::unlink(faults::WritePath(strPath, strJailed).c_str()) != 0)
        throw FileException(FileException::kRemove, errno, strPath);
}

} // namespace platform
