# What `cmake --install` lays out under the prefix:
#   include/                    every public header
#   <libdir>/libpixmill.so.*    the current build, the system's libpixmill
#   <libdir>/pixmill/<version>/ each earlier build, for callers that need it
#   <libdir>/pkgconfig/pixmill.pc and <libdir>/cmake/Pixmill/ for the current
#   build (the CMake package also names the earlier builds, as
#   Pixmill::pixmill_<version with underscores>)
#   bin/pixmill-convert         the converter, share/man/man1/ its manual page
#                               (tools/CMakeLists.txt)
# Each file belongs to one of three components, which cmake/package.cmake
# makes into Debian packages: `runtime` (the library files and their SONAME
# links, earlier builds included), `development` (headers, the libpixmill.so
# link names, pkg-config and CMake files) and `tools` (the converter).
include(CMakePackageConfigHelpers)

install(DIRECTORY "${PROJECT_SOURCE_DIR}/include/" DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}"
        COMPONENT development FILES_MATCHING PATTERN "*.h" PATTERN "*.hpp")

get_property(pixmill_builds GLOBAL PROPERTY PIXMILL_BUILDS)
foreach(version IN LISTS pixmill_builds)
    string(REPLACE "." "_" tag "${version}")
    if(version VERSION_EQUAL PROJECT_VERSION)
        set(destination "${CMAKE_INSTALL_LIBDIR}")
    else()
        set(destination "${CMAKE_INSTALL_LIBDIR}/pixmill/${version}")
    endif()
    install(TARGETS pixmill_${tag} EXPORT PixmillTargets
            LIBRARY DESTINATION "${destination}" COMPONENT runtime NAMELINK_COMPONENT development)
endforeach()

# The pkg-config file finds the prefix from its own place, so a tree
# installed with --prefix, staged for a package or moved keeps working.
# Absolute directories given at configure time are kept as they are.  The
# prefix /usr (the Debian packages) is written out: pkg-config then knows
# /usr/include and the multiarch library directory for the system's own and
# leaves them out of the flags, which a path through pkgconfig/../.. defeats.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(PIXMILL_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
    set(PIXMILL_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
    set(PIXMILL_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
elseif(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(PIXMILL_PC_PREFIX /usr)
    set(PIXMILL_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
    set(PIXMILL_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
else()
    file(RELATIVE_PATH up "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
    string(REGEX REPLACE "/$" "" up "${up}")
    set(PIXMILL_PC_PREFIX "\${pcfiledir}/${up}")
    set(PIXMILL_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
    set(PIXMILL_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/pixmill.pc.in" "${CMAKE_BINARY_DIR}/pixmill.pc" @ONLY)
install(FILES "${CMAKE_BINARY_DIR}/pixmill.pc" DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig" COMPONENT development)

set(pixmill_cmake_dir "${CMAKE_INSTALL_LIBDIR}/cmake/Pixmill")
install(EXPORT PixmillTargets NAMESPACE Pixmill:: DESTINATION "${pixmill_cmake_dir}" COMPONENT development)
configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/PixmillConfig.cmake.in"
                              "${CMAKE_BINARY_DIR}/PixmillConfig.cmake" INSTALL_DESTINATION "${pixmill_cmake_dir}")
# A new major version changes the SONAME, so only the same major is compatible.
write_basic_package_version_file("${CMAKE_BINARY_DIR}/PixmillConfigVersion.cmake"
                                 COMPATIBILITY SameMajorVersion)
install(FILES "${CMAKE_BINARY_DIR}/PixmillConfig.cmake" "${CMAKE_BINARY_DIR}/PixmillConfigVersion.cmake"
        DESTINATION "${pixmill_cmake_dir}" COMPONENT development)
