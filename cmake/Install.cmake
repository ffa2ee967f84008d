# What `cmake --install` puts in place on Linux: the shared library with its version and
# SONAME, the pagewright command, the headers a host needs, a CMake package
# (find_package(Pagewright) gives the imported target Pagewright::pagewright) and a pkg-config
# file. The Windows build installs the module, its type library and the command.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The manual pages, written in roff; tests/CMakeLists.txt checks that each renders cleanly.
set(PAGEWRIGHT_MAN_PAGES
    ${PROJECT_SOURCE_DIR}/docs/man/pagewright.1
    ${PROJECT_SOURCE_DIR}/docs/man/pagewright-generate.1
    ${PROJECT_SOURCE_DIR}/docs/man/pagewright-check.1
    ${PROJECT_SOURCE_DIR}/docs/man/pagewright.3
    ${PROJECT_SOURCE_DIR}/docs/man/pagewright.5)

if(WIN32)
    install(TARGETS pagewright pagewright_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    return()
endif()

set_target_properties(pagewright PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR})
# The host headers use inline variables; a host built with an older default standard would not
# compile them.
target_compile_features(pagewright INTERFACE cxx_std_17)
# Hosts write #include <pagewright/PagewrightApi.h>: the include path is the include folder
# itself, so no generic folder name (module/, component/, platform/) lands on it.
target_include_directories(pagewright INTERFACE
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

install(TARGETS pagewright EXPORT PagewrightTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS pagewright_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The host's view only: interfaces, identifiers, the module's exports and the BSTR calls. They
# are installed side by side in include/pagewright/, so the copies' own includes of each other
# ("component/IPagewright.h" in the tree) become plain file names, which the compiler looks up
# beside the including header. The tree's sources keep their folder-qualified includes.
set(host_headers
    module/PagewrightApi.h
    component/IPagewright.h
    component/PagewrightDiagnostics.h
    component/PagewrightFiles.h
    component/PagewrightWait.h
    platform/types.h
    platform/bstr.h)
set(host_header_dir ${PROJECT_BINARY_DIR}/include/pagewright)
set(installed_headers)
foreach(header ${host_headers})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${header})
    file(READ ${PROJECT_SOURCE_DIR}/${header} text)
    string(REGEX REPLACE "#include \"(module|component|platform)/([A-Za-z]+\\.h)\""
        "#include \"\\2\"" text "${text}")
    get_filename_component(name ${header} NAME)
    # Through a scratch file, so that an unchanged header keeps its time stamp.
    file(WRITE ${PROJECT_BINARY_DIR}/CMakeFiles/${name}.new "${text}")
    configure_file(${PROJECT_BINARY_DIR}/CMakeFiles/${name}.new ${host_header_dir}/${name} COPYONLY)
    list(APPEND installed_headers ${host_header_dir}/${name})
endforeach()
install(FILES ${installed_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pagewright)

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

foreach(page ${PAGEWRIGHT_MAN_PAGES})
    string(REGEX MATCH "[0-9]$" man_section ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${man_section})
endforeach()
# The example form file, texts and pictures, laid out as in the source tree: run them from the
# folder that holds examples/ (see pagewright-generate(1)).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pagewright/examples)
