#include <new>
#include <windows.h>

#include "platform/osapi.h"

namespace platform {

namespace {

struct StartBlock {
    ThreadProc proc;
    void* pParam;
    HMODULE hModule; // the module this code lives in, held while the thread runs
};

DWORD WINAPI ThreadEntry(LPVOID pRaw) {
    StartBlock block = *static_cast<StartBlock*>(pRaw);
    delete static_cast<StartBlock*>(pRaw);
    const unsigned nResult = block.proc(block.pParam);
    // A host may unload the module as soon as its last object is gone, while this worker is
    // still finishing. The reference taken at start keeps the code mapped until the thread has
    // left it: FreeLibraryAndExitThread drops it and ends the thread in one step.
    ::FreeLibraryAndExitThread(block.hModule, nResult);
}

} // namespace

bool os::StartSystemThread(ThreadProc proc, void* pParam) {
    HMODULE hModule = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&ThreadEntry), &hModule))
        return false;
    auto* pBlock = new (std::nothrow) StartBlock{proc, pParam, hModule};
    if (!pBlock) {
        ::FreeLibrary(hModule);
        return false;
    }
    const HANDLE hThread = ::CreateThread(nullptr, 0, ThreadEntry, pBlock, 0, nullptr);
    if (!hThread) {
        delete pBlock;
        ::FreeLibrary(hModule);
        return false;
    }
    ::CloseHandle(hThread); // detached: nobody joins a worker
    return true;
}

void SleepMs(unsigned nMilliseconds) {
    ::Sleep(nMilliseconds);
}

} // namespace platform
