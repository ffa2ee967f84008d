// Fault injection and test-only controls for the platform layer.
//
// Tests and fuzzers arm these to make the file layer fail the way a real system can (a full
// disk, a read error part-way through a file, a file that cannot be deleted), to hold file opens
// so that jobs stay running while a test acts, and to keep a fuzzed form file from writing
// outside a scratch directory. Every platform implementation consults the same hooks, so the
// callers' error paths are tested the same way everywhere.
//
// Unarmed, each hook costs one relaxed atomic load at the call site.
#pragma once

#include <atomic>
#include <string>

namespace platform {

namespace testing {

// The file operations that can be made to fail.
enum class FileOp {
    kOpenRead, // TextFileReader::Open
    kRead,     // each read of the system behind TextFileReader::ReadLine
    kCreate,   // TextFileWriter::Create
    kWrite,    // each write of the system behind TextFileWriter (buffered data goes out late)
    kClose,    // the close of a written file
    kRemove,   // RemoveFile
};

// After nSkip more calls of op that succeed, the following nCount calls fail with the system
// error nError (for instance ENOSPC for a full disk, EIO, EACCES). A later call for the same op
// replaces the earlier one; nCount 0 disarms it.
void FailFileOps(FileOp op, int nCount, int nError, int nSkip = 0);
// How many injected failures of op have happened since it was last armed.
int InjectedFailures(FileOp op);

// While the gate is closed, every file open (for reading or writing) waits at it, so jobs stay
// in the middle of their run until the test opens the gate again. Opening the gate wakes them.
void CloseFileGate();
void OpenFileGate();
// How many opens are waiting at the gate now.
int WaitingAtFileGate();

// The write jail. While set (non-empty), every file that is created or removed is the file of
// the same last path component ("/" and "\" both separate) inside strDir instead, so a form file
// that names any destination directory cannot make a job write or delete outside strDir. Reads
// are not redirected: the reader opens what the test itself chose. An empty string lifts it.
void SetWriteJail(const std::string& strDir);
// Where the jail puts a path now (the path itself when no jail is set).
std::string JailedPath(const std::string& strPath);

// Worker threads started by StartWorkerThread that have not yet returned.
int RunningWorkerThreads();

// Disarms every file fault, opens the gate and lifts the jail.
void ClearFaults();

} // namespace testing

namespace faults {

// For the platform implementations only.
extern std::atomic<bool> g_bArmed;

// The cheap test every hooked call makes first.
inline bool Armed() {
    return g_bArmed.load(std::memory_order_relaxed);
}

bool InjectArmed(testing::FileOp op, int* pError);
void PassFileGateArmed();
std::string RedirectWrite(const std::string& strPath);

// True when an injected failure of op is due now; *pError then receives its error code.
inline bool Inject(testing::FileOp op, int* pError) {
    return Armed() && InjectArmed(op, pError);
}
// Waits while the file gate is closed.
inline void PassFileGate() {
    if (Armed())
        PassFileGateArmed();
}
// The path a file is really created or removed at: strPath itself unless the write jail is
// set, else the jailed path, kept in strStorage.
inline const std::string& WritePath(const std::string& strPath, std::string& strStorage) {
    if (!Armed())
        return strPath;
    strStorage = RedirectWrite(strPath);
    return strStorage;
}

void WorkerStarted();
void WorkerEnded();

} // namespace faults

} // namespace platform
