# Windows builds made on Linux: programs run under Wine, and GoogleTest is built from Debian's
# sources with the cross compiler, since no Windows build of it is packaged.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
    return()
endif()

set(PAGEWRIGHT_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH
    "The Wine prefix the tests of this build tree run in")
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        "${PROJECT_SOURCE_DIR}/scripts/wine-run.sh;${PAGEWRIGHT_WINEPREFIX}")
endif()

# Everything the module needs at run time must be inside it or come with Windows.
add_link_options(-static-libgcc -static-libstdc++)

function(pagewright_add_cross_gtest)
    if(TARGET GTest::gtest)
        return()
    endif()
    set(source /usr/src/googletest)
    if(NOT EXISTS ${source}/CMakeLists.txt)
        message(WARNING "GoogleTest sources not found in ${source}: no Windows tests")
        return()
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory(${source} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    target_compile_options(gtest PRIVATE -w)
    target_compile_options(gtest_main PRIVATE -w)
    set(GTest_FOUND TRUE PARENT_SCOPE)
endfunction()
