# What `cmake --install` puts in place on Linux: the shared library with its version and
# SONAME, the pagewright command, the headers a host needs, a CMake package
# (find_package(Pagewright) gives the imported target Pagewright::pagewright) and a pkg-config
# file. The Windows build installs the module, its type library and the command.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

if(WIN32)
    install(TARGETS pagewright pagewright_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    return()
endif()

set(PAGEWRIGHT_INCLUDE_SUBDIR pagewright)
set_target_properties(pagewright PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR})
target_include_directories(pagewright INTERFACE
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/${PAGEWRIGHT_INCLUDE_SUBDIR}>)

install(TARGETS pagewright EXPORT PagewrightTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS pagewright_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The host's view only: interfaces, identifiers, the module's exports and the BSTR calls. The
# headers keep their folders, so their own includes resolve inside include/pagewright.
foreach(header
        module/PagewrightApi.h
        component/IPagewright.h
        component/PagewrightDiagnostics.h
        platform/types.h
        platform/bstr.h)
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${header}
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${PAGEWRIGHT_INCLUDE_SUBDIR}/${folder})
endforeach()

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Pagewright)
install(EXPORT PagewrightTargets NAMESPACE Pagewright:: DESTINATION ${package_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PagewrightConfig.cmake.in
    ${PROJECT_BINARY_DIR}/PagewrightConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PagewrightConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PagewrightConfig.cmake
    ${PROJECT_BINARY_DIR}/PagewrightConfigVersion.cmake DESTINATION ${package_dir})

file(RELATIVE_PATH PAGEWRIGHT_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/pagewright.pc.in ${PROJECT_BINARY_DIR}/pagewright.pc
    @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pagewright.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
