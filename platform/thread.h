// Worker threads and sleeping.
#pragma once

namespace platform {

using ThreadProc = unsigned (*)(void* pParam);

// Starts a detached thread running proc(pParam) at normal priority. Its stack is the system's
// default on Windows and 256 KiB elsewhere, where the default (8 MiB) defeats the C library's
// reuse of stacks (posix/thread.cpp). False when the system cannot start it; proc is then never
// called.
bool StartWorkerThread(ThreadProc proc, void* pParam);

void SleepMs(unsigned nMilliseconds);

namespace testing {
// Makes the next nCount calls of StartWorkerThread fail as if the system had run out of
// threads. For tests of the callers' error paths.
void FailNextThreadStarts(int nCount);
} // namespace testing

} // namespace platform
