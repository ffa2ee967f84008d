#include "platform/textfile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>

#include "platform/faults.h"
#include "platform/osapi.h"

namespace platform {

namespace {

// Large enough that a page or a form file costs few system calls, small enough to keep per
// open file without a thought.
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kWriteBuffer = 64 * 1024;
// A piece at least this long is written without passing through the buffer.
constexpr std::size_t kDirectWrite = 16 * 1024;
// The least a reader asks the system for at a time.
constexpr std::size_t kSmallestRead = 4 * 1024;

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

// A name beside strPath that nobody is likely to have taken, for the file that is then moved
// onto strPath. The folder part is kept as it stands, so the file lands in the same folder
// whichever separator the path uses; the name is shorter than any page's, so it fits wherever
// the page's does.
std::string NameBeside(const std::string& strPath) {
    // A few random bits per process and a count: guessing the next name to plant something
    // there only makes the creation try another one.
    static std::atomic<std::uint64_t> s_nNext{[] {
        std::uint64_t nSeed =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        try {
            std::random_device device;
            nSeed ^= (static_cast<std::uint64_t>(device()) << 32) ^ device();
        } catch (const std::exception&) {
            // the clock alone, then
        }
        return nSeed;
    }()};
    // splitmix64, so that consecutive counts give unrelated names
    std::uint64_t z = s_nNext.fetch_add(0x9E3779B97F4A7C15ull, std::memory_order_relaxed);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string strName = strPath.substr(0, strPath.find_last_of("/\\") + 1) + "~pagewright-";
    for (int nShift = 28; nShift >= 0; nShift -= 4)
        strName += kHex[(z >> nShift) & 0xF];
    return strName + ".tmp";
}

// How many names NameBeside gives before the creation gives up: only a folder that refuses new
// files for another reason, or one someone fills with guesses, ever sees a second.
constexpr int kNameTries = 16;

// kReplace. Where nothing stands at the name, which is nearly always, the file is created
// there, exclusively; else a new file is moved onto the name as soon as it exists. Either way
// the name holds the file from the creation on, as when a file is opened and emptied in place,
// and a writer that fails later leaves what it wrote there. The file is this call's own,
// whatever stood at the name, and the writes go to it, whatever is done to the name meanwhile.
bool CreateReplacing(const std::string& strPath, os::FileHandle& hFile, int& nError) {
    if (os::CreateNewFile(strPath, hFile, nError))
        return true;
    if (!os::IsExistsError(nError) || !os::MayReplace(strPath, nError))
        return false;
    std::string strNew;
    for (int nTry = 1;; ++nTry) {
        strNew = NameBeside(strPath);
        if (os::CreateNewFile(strNew, hFile, nError))
            break;
        if (!os::IsExistsError(nError) || nTry == kNameTries)
            return false;
    }
    if (os::MoveOnto(strNew, strPath, nError))
        return true;
    int nIgnored;
    os::CloseFile(hFile, nIgnored);
    os::RemovePath(strNew, nIgnored);
    return false;
}

} // namespace

FileException::FileException(Cause cause, int nOsError, std::string strPath)
    : m_nOsError(nOsError),
      m_strWhat(std::string(CauseText(cause)) + " " + strPath + ": " + os::ErrorText(nOsError)) {}

std::string FileErrorText(int nOsError) {
    return os::ErrorText(nOsError);
}

bool IsFileExistsError(int nOsError) {
    return os::IsExistsError(nOsError);
}

// ---- reading ----

TextFileReader::~TextFileReader() {
    Close();
}

bool TextFileReader::Open(const std::string& strPath, int* pError) {
    Close();
    faults::PassFileGate();
    int nInjected;
    if (faults::Inject(testing::FileOp::kOpenRead, &nInjected)) {
        if (pError)
            *pError = nInjected;
        return false;
    }
    os::FileHandle hFile;
    int nError = 0;
    if (!os::OpenForReading(strPath, hFile, nError)) {
        if (pError)
            *pError = nError;
        return false;
    }
    m_hFile = hFile;
    m_strPath = strPath;
    std::uint64_t nSize = 0;
    m_nKnownSize = os::KnownFileSize(hFile, nSize) ? nSize : 0;
    // A file of known size gets a buffer that fits it, with a byte to spare to see its end in
    // the next read: most form files are a few kilobytes, and a job that takes (and gives back)
    // a large block for one costs the system more than the reading does. Not zero-filled: the
    // bytes are read over.
    m_nCapacity = kReadChunk;
    if (m_nKnownSize > 0 && m_nKnownSize < kReadChunk)
        m_nCapacity = std::max(kSmallestRead, static_cast<std::size_t>(m_nKnownSize) + 1);
    m_buffer = std::make_unique_for_overwrite<char[]>(m_nCapacity);
    m_nStart = m_nEnd = 0;
    m_bEof = false;
    return true;
}

bool TextFileReader::Fill() {
    if (m_nStart > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_nStart, m_nEnd - m_nStart);
        m_nEnd -= m_nStart;
        m_nStart = 0;
    }
    // A buffer made to fit grows only once full (the file grew after it was opened); a full-size
    // one keeps half a read's room.
    const std::size_t nRoom = m_nCapacity - m_nEnd;
    if (nRoom == 0 || (m_nCapacity >= kReadChunk && nRoom < kReadChunk / 2)) {
        auto pLarger = std::make_unique_for_overwrite<char[]>(m_nCapacity * 2);
        std::memcpy(pLarger.get(), m_buffer.get(), m_nEnd);
        m_buffer = std::move(pLarger);
        m_nCapacity *= 2;
    }
    int nInjected;
    if (faults::Inject(testing::FileOp::kRead, &nInjected))
        throw FileException(FileException::kRead, nInjected, m_strPath);
    std::size_t n = 0;
    int nError = 0;
    if (!os::ReadSome(m_hFile, m_buffer.get() + m_nEnd, m_nCapacity - m_nEnd, n, nError))
        throw FileException(FileException::kRead, nError, m_strPath);
    if (n == 0) {
        m_bEof = true;
        return false;
    }
    m_nEnd += n;
    return true;
}

bool FindLineEnd(std::string_view text, std::size_t nFrom, std::size_t* pnLength,
                 std::size_t* pnNext) {
    const void* pNewline = std::memchr(text.data() + nFrom, '\n', text.size() - nFrom);
    if (!pNewline)
        return false;
    std::size_t nLen = static_cast<std::size_t>(static_cast<const char*>(pNewline) - text.data());
    *pnNext = nLen + 1;
    if (nLen > 0 && text[nLen - 1] == '\r')
        --nLen;
    *pnLength = nLen;
    return true;
}

bool LineSplitter::Next(std::string_view& line) {
    if (m_rest.empty())
        return false;
    std::size_t nLen, nNext;
    if (!FindLineEnd(m_rest, 0, &nLen, &nNext))
        nLen = nNext = m_rest.size();
    line = m_rest.substr(0, nLen);
    m_rest.remove_prefix(nNext);
    return true;
}

bool TextFileReader::ReadLine(std::string_view& line) {
    if (m_hFile == os::kNoFile)
        return false;
    std::size_t nScanned = 0; // bytes after m_nStart known to hold no line feed
    for (;;) {
        const char* pBegin = m_buffer.get() + m_nStart;
        const std::size_t nAvail = m_nEnd - m_nStart;
        std::size_t nLen, nNext;
        if (FindLineEnd(std::string_view(pBegin, nAvail), nScanned, &nLen, &nNext)) {
            line = std::string_view(pBegin, nLen);
            m_nStart += nNext;
            return true;
        }
        nScanned = nAvail;
        // Fill() keeps the unread bytes (moving them to the front), so nScanned stays valid.
        if (m_bEof || !Fill()) {
            if (nAvail == 0)
                return false;
            line = std::string_view(m_buffer.get() + m_nStart, nAvail);
            m_nStart = m_nEnd;
            return true;
        }
    }
}

bool TextFileReader::ReadLine(std::string& strLine) {
    std::string_view line;
    if (!ReadLine(line))
        return false;
    strLine.assign(line);
    return true;
}

void TextFileReader::Close() noexcept {
    if (m_hFile != os::kNoFile) {
        int nIgnored;
        os::CloseFile(m_hFile, nIgnored);
        m_hFile = os::kNoFile;
    }
    m_buffer.reset();
    m_nCapacity = 0;
    m_nStart = m_nEnd = 0;
}

// ---- writing ----

TextFileWriter::~TextFileWriter() {
    if (m_hFile != os::kNoFile) {
        int nIgnored;
        os::CloseFile(m_hFile, nIgnored);
    }
}

bool TextFileWriter::Create(const std::string& strPath, int* pError, CreateMode mode) {
    if (m_hFile != os::kNoFile) {
        int nIgnored;
        os::CloseFile(m_hFile, nIgnored);
        m_hFile = os::kNoFile;
    }
    faults::PassFileGate();
    int nInjected;
    if (faults::Inject(testing::FileOp::kCreate, &nInjected)) {
        if (pError)
            *pError = nInjected;
        return false;
    }
    std::string strJailed;
    const std::string& strRealPath = faults::WritePath(strPath, strJailed);
    os::FileHandle hFile;
    int nError = 0;
    const bool bCreated = mode == CreateMode::kNew ? os::CreateNewFile(strRealPath, hFile, nError)
                                                   : CreateReplacing(strRealPath, hFile, nError);
    if (!bCreated) {
        if (pError)
            *pError = nError;
        return false;
    }
    m_hFile = hFile;
    m_strPath = strPath;
    // The buffer grows with what is written, up to kWriteBuffer: a small page never takes the
    // whole of it.
    m_buffer.clear();
    return true;
}

void TextFileWriter::WriteAll(const char* p, std::size_t n) {
    int nInjected;
    if (n > 0 && faults::Inject(testing::FileOp::kWrite, &nInjected))
        throw FileException(FileException::kWrite, nInjected, m_strPath);
    while (n > 0) {
        std::size_t nDone = 0;
        int nError = 0;
        if (!os::WriteSome(m_hFile, p, n, nDone, nError))
            throw FileException(FileException::kWrite, nError, m_strPath);
        p += nDone;
        n -= nDone;
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
    if (m_hFile == os::kNoFile)
        throw FileException(FileException::kWrite, os::NotOpenError(), m_strPath);
    // Small pieces are gathered; a large one (a writer's chunk) goes out as it is, after what
    // was gathered before it, rather than be copied once more.
    if (text.size() < kDirectWrite && m_buffer.size() + text.size() <= kWriteBuffer) {
        m_buffer.append(text);
        return;
    }
    Flush();
    if (text.size() >= kDirectWrite)
        WriteAll(text.data(), text.size());
    else
        m_buffer.append(text);
}

void TextFileWriter::Close() {
    if (m_hFile == os::kNoFile)
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
    int nCloseError = 0;
    if (!os::CloseFile(m_hFile, nCloseError) && nError == 0) {
        nError = nCloseError;
        cause = FileException::kClose;
    }
    // An injected close error still closes the file, as a failed close does.
    if (bInjected && nError == 0) {
        nError = nInjected;
        cause = FileException::kClose;
    }
    m_hFile = os::kNoFile;
    if (nError != 0)
        throw FileException(cause, nError, m_strPath);
}

void RemoveFile(const std::string& strPath) {
    int nInjected;
    if (faults::Inject(testing::FileOp::kRemove, &nInjected))
        throw FileException(FileException::kRemove, nInjected, strPath);
    std::string strJailed;
    int nError = 0;
    if (!os::RemovePath(faults::WritePath(strPath, strJailed), nError))
        throw FileException(FileException::kRemove, nError, strPath);
}

} // namespace platform
