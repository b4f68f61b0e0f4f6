# `cpack -G DEB` in the build directory: one Debian package holding what
# `cmake --install` installs (library builds, headers, pkg-config and CMake
# package files, converter).  Its dependencies come from the installed
# binaries themselves (dpkg-shlibdeps), so nothing the tests or benchmarks
# link can appear among them.
set(CPACK_PACKAGE_NAME pixmill)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bayer demosaicing and calibration library for camera software")
set(CPACK_PACKAGE_CONTACT "Pixmill developers <pixmill@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The converter finds libpixmill in the package itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/${PROJECT_VERSION}")
include(CPack)
