# `cpack -G DEB` in the build directory: three Debian packages, one per
# install component (cmake/install.cmake), split as Debian splits a library:
#   libpixmill1      runtime: libpixmill.so.1 (named after its SONAME) and the
#                    earlier builds in <libdir>/pixmill/<version>/
#   libpixmill-dev   development: headers, the libpixmill.so link names,
#                    pkg-config and CMake files; needs the same libpixmill1
#   pixmill-tools    tools: pixmill-convert and its manual page
# A build configured with -DCMAKE_INSTALL_PREFIX=/usr puts the libraries in
# Debian's multiarch directory (GNUInstallDirs: lib/x86_64-linux-gnu); with
# the default /usr/local the packages hold them in /usr/lib, which ldconfig
# reads but is not where Debian keeps a package's libraries.  The
# dependencies on system libraries come from the installed binaries
# themselves (dpkg-shlibdeps), so nothing the tests or benchmarks link can
# appear among them.
# (No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPack would put it above every
# package's own description, whose first line is that package's summary.)
set(CPACK_PACKAGE_NAME pixmill)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Pixmill developers <pixmill@users.noreply.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
if(TARGET pixmill-convert)
    list(APPEND CPACK_COMPONENTS_ALL tools)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(pixmill_deb_version "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
set(CPACK_DEBIAN_PACKAGE_SOURCE pixmill)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The shlibs file (of the one package with libraries, libpixmill1) lets
# packages linked to libpixmill.so.1 depend on it.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Until 1.7.7.6 one package, `pixmill`, held everything: each of the three
# takes its files over and has it removed.
set(CPACK_DEBIAN_PACKAGE_BREAKS "pixmill (<< 1.7.7.6-1)")
set(CPACK_DEBIAN_PACKAGE_REPLACES "pixmill (<< 1.7.7.6-1)")

# Each description: the summary line, then the extended description, whose
# lines CPack indents (an empty line becomes the paragraph break " .").
set(pixmill_about
"Pixmill turns raw frames from single-sensor colour cameras (a Bayer mosaic,
one 8-bit sample per pixel) into images of three bytes per pixel in blue,
green, red order, by one of ten demosaicing methods, through the caller's
look-up tables.  Around that core it offers white-balance ratios, gamma
tables, dead-pixel detection and erasure, fixed-pattern-noise removal,
16-bit and grey conversion, unpacking of packed 10/12-bit frames and
adjustments of finished images.
")
get_property(pixmill_builds GLOBAL PROPERTY PIXMILL_BUILDS)
set(pixmill_earlier "${pixmill_builds}")
list(REMOVE_ITEM pixmill_earlier "${PROJECT_VERSION}")
list(JOIN pixmill_earlier " and " pixmill_earlier)

string(REGEX MATCH "^[0-9]+" pixmill_major "${PROJECT_VERSION}")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME "libpixmill${pixmill_major}")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "Bayer demosaicing and calibration library for camera software
${pixmill_about}
This package holds the shared library, and the earlier builds
${pixmill_earlier} in directories of their own, for programs written
against their method codes.")
# The trigger has ldconfig refresh its cache once the library is unpacked.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_LIST_DIR}/debian/triggers")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libpixmill-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${pixmill_deb_version})")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "Bayer demosaicing and calibration library - development files
${pixmill_about}
This package holds what a program built against Pixmill needs: the C and
C++ headers, the libpixmill.so link names of every build, the pkg-config file
and the CMake package (find_package(Pixmill)).")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME pixmill-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "Bayer demosaicing converter for camera frames
${pixmill_about}
This package holds pixmill-convert, which converts PNG, TIFF, PGM and packed
raw frames into colour or grey PNG, TIFF or PNM images, measures and applies
calibrations, adjusts the results and converts batches on worker threads.")
# The converter links libpixmill.so.1.  dpkg-shlibdeps finds that library in
# the build tree but no package for it there, so the dependency on the
# runtime package is named here (as its shlibs file would name it).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/${PROJECT_VERSION}")
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (>= ${pixmill_deb_version})")

# Each package's /usr/share/doc/<package>/: copyright and the Debian
# changelog (compressed the Debian way: -9, no name or time stamp).  Only the
# packages install them (EXCLUDE_FROM_ALL: not `cmake --install`).
set(pixmill_changelog "${CMAKE_CURRENT_LIST_DIR}/debian/changelog")
file(STRINGS "${pixmill_changelog}" pixmill_changelog_top LIMIT_COUNT 1)
if(NOT pixmill_changelog_top MATCHES "\\(${pixmill_deb_version}\\)")
    message(FATAL_ERROR "cmake/debian/changelog starts with '${pixmill_changelog_top}': "
                        "add an entry for ${pixmill_deb_version} on top")
endif()
find_program(PIXMILL_GZIP gzip REQUIRED)
set(pixmill_changelog_copy "${CMAKE_BINARY_DIR}/debian/changelog.Debian")
add_custom_command(OUTPUT "${pixmill_changelog_copy}.gz"
                   COMMAND ${CMAKE_COMMAND} -E copy "${pixmill_changelog}" "${pixmill_changelog_copy}"
                   COMMAND "${PIXMILL_GZIP}" -9nf "${pixmill_changelog_copy}"
                   DEPENDS "${pixmill_changelog}" VERBATIM)
add_custom_target(pixmill_debian_changelog ALL DEPENDS "${pixmill_changelog_copy}.gz")
# Each also gets the lintian overrides that apply to it, each explained in
# its file (cmake/debian/lintian-overrides*).
file(READ "${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides" pixmill_overrides)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER "${component}" upper)
    set(package "${CPACK_DEBIAN_${upper}_PACKAGE_NAME}")
    install(FILES "${CMAKE_CURRENT_LIST_DIR}/debian/copyright" "${pixmill_changelog_copy}.gz"
            DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}" COMPONENT ${component} EXCLUDE_FROM_ALL)
    set(overrides "${pixmill_overrides}")
    if(EXISTS "${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides-${component}")
        file(READ "${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides-${component}" more)
        string(APPEND overrides "${more}")
    endif()
    file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/debian/lintian/${package}" CONTENT "${overrides}" @ONLY)
    install(FILES "${CMAKE_BINARY_DIR}/debian/lintian/${package}"
            DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides" COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

include(CPack)
