#include "platform/filebytes.h"

#include <cstring>

#include "platform/faults.h"
#include "platform/osapi.h"

namespace platform {

namespace {

// How much a file of unknown size (or one that grew after its size was taken) grows the string
// by at least.
constexpr std::size_t kPiece = 64 * 1024;

struct CloseOnExit {
    os::FileHandle hFile;
    ~CloseOnExit() {
        int nIgnored;
        os::CloseFile(hFile, nIgnored);
    }
};

// Reads into strBytes from nFilled on until the end of the file; false with nError on a read
// error. While strBytes has room the data goes straight into it. Once it is full (a file read
// to its known size, or a pipe), a small probe read tells the end of the file from more data,
// so a file of known size is never copied to a larger string just to find its end.
bool ReadToEnd(os::FileHandle hFile, std::string& strBytes, std::size_t nFilled, int& nError) {
    char probe[4096];
    for (;;) {
        const bool bRoom = nFilled < strBytes.size();
        char* const pDest = bRoom ? strBytes.data() + nFilled : probe;
        const std::size_t nWant = bRoom ? strBytes.size() - nFilled : sizeof probe;
        int nInjected;
        if (faults::Inject(testing::FileOp::kRead, &nInjected)) {
            nError = nInjected;
            return false;
        }
        std::size_t nRead = 0;
        if (!os::ReadSome(hFile, pDest, nWant, nRead, nError))
            return false;
        if (nRead == 0)
            break;
        if (!bRoom) {
            strBytes.resize(nFilled + kPiece); // grows geometrically underneath
            std::memcpy(strBytes.data() + nFilled, probe, nRead);
        }
        nFilled += nRead;
    }
    strBytes.resize(nFilled); // shrinking keeps the allocation
    return true;
}

} // namespace

bool ReadWholeFile(const std::string& strPath, std::string& strBytes, int& nError, bool* pbOpened) {
    strBytes.clear();
    if (pbOpened)
        *pbOpened = false;
    faults::PassFileGate();
    if (faults::Inject(testing::FileOp::kOpenRead, &nError))
        return false;
    os::FileHandle hFile;
    if (!os::OpenForReading(strPath, hFile, nError))
        return false;
    if (pbOpened)
        *pbOpened = true;
    const CloseOnExit closer{hFile};
    std::uint64_t nSize = 0;
    if (os::KnownFileSize(hFile, nSize) && nSize > 0 && nSize <= strBytes.max_size()) {
        // The whole file in one allocation. A file that shrank since is cut to what was read;
        // one that grew makes ReadToEnd grow the string.
        std::string strWhole;
        strWhole.resize(static_cast<std::size_t>(nSize));
        strBytes.swap(strWhole);
    }
    if (!ReadToEnd(hFile, strBytes, 0, nError)) {
        std::string().swap(strBytes);
        return false;
    }
    return true;
}

} // namespace platform
