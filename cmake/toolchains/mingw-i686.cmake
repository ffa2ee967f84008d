# 32-bit Windows, the shipped target, cross-built with Debian's mingw-w64. The win32 thread
# model: the module then depends on system DLLs only (libgcc and libstdc++ linked in), and a
# stray std::thread or std::mutex in product code fails to compile here.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(PAGEWRIGHT_MINGW_TRIPLE i686-w64-mingw32)
set(PAGEWRIGHT_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
