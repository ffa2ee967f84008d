# 32-bit Windows, the shipped target, cross-built with Debian's mingw-w64. The win32 thread
# model: the module then depends on system DLLs only (libgcc and libstdc++ linked in), and a
# stray std::thread or std::mutex in product code fails to compile here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(PAGEWRIGHT_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${PAGEWRIGHT_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${PAGEWRIGHT_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${PAGEWRIGHT_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PAGEWRIGHT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
