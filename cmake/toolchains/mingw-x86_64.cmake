# 64-bit Windows, cross-built with Debian's mingw-w64. The posix thread model, linked
# statically, because GoogleTest needs std::thread; the product code itself uses only the
# Win32 API, which the 32-bit build (the win32 thread model, no std::thread) proves.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PAGEWRIGHT_MINGW_TRIPLE x86_64-w64-mingw32)
set(PAGEWRIGHT_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
