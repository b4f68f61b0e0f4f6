# Builds the Debian package with CPack and checks what it holds and what it
# depends on.  -DBUILD=<build dir> -DWORK=<scratch dir> -DCPACK=<cpack>
# -DDPKG_DEB=<dpkg-deb> -DLIBDIR=<relative libdir> -DINCLUDEDIR -DBINDIR
# -DCURRENT=<version> -DBUILDS=<versions> -DCONVERTER=ON|OFF
include("${CMAKE_CURRENT_LIST_DIR}/run_command.cmake")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
run("${CPACK}" -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${WORK}")
file(GLOB packages "${WORK}/*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package, found: ${packages}")
endif()

# The file list: one entry per line, the path last ("./usr/lib/x" or
# "./usr/lib/x -> target" for links).
run("${DPKG_DEB}" -c "${packages}")
set(listing "${out}")
string(REGEX MATCH "^[0-9]+" major "${CURRENT}")
set(expected "usr/${INCLUDEDIR}/pixmill.h" "usr/${LIBDIR}/libpixmill.so.${CURRENT}"
             "usr/${LIBDIR}/libpixmill.so.${major} -> " "usr/${LIBDIR}/libpixmill.so -> "
             "usr/${LIBDIR}/pkgconfig/pixmill.pc" "usr/${LIBDIR}/cmake/Pixmill/PixmillConfig.cmake"
             "usr/${LIBDIR}/cmake/Pixmill/PixmillTargets.cmake")
foreach(version IN LISTS BUILDS)
    if(NOT version STREQUAL CURRENT)
        list(APPEND expected "usr/${LIBDIR}/pixmill/${version}/libpixmill.so.${version}")
    endif()
endforeach()
if(CONVERTER)
    list(APPEND expected "usr/${BINDIR}/pixmill-convert")
endif()
foreach(entry IN LISTS expected)
    string(FIND "${listing}" " ./${entry}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "package lacks ${entry}\n${listing}")
    endif()
endforeach()
if(listing MATCHES "(test|bench|gtest|gmock)[^\n]*")
    message(FATAL_ERROR "package holds a test or benchmark file: ${CMAKE_MATCH_0}")
endif()

# Dependencies: found by dpkg-shlibdeps, so present; none of the test or
# benchmark libraries.
run("${DPKG_DEB}" -f "${packages}" Depends)
set(depends "${out}")
if(NOT depends MATCHES "libc6" OR NOT depends MATCHES "libstdc\\+\\+6")
    message(FATAL_ERROR "package dependencies lack the C or C++ runtime: ${depends}")
endif()
if(depends MATCHES "(gtest|gmock|benchmark|opencv)")
    message(FATAL_ERROR "package depends on a test or benchmark library: ${depends}")
endif()
message(STATUS "${packages}\nDepends: ${depends}")
