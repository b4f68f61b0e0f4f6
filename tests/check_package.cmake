# Builds the Debian packages with CPack and checks what each holds and what
# it depends on.  -DBUILD=<build dir> -DWORK=<scratch dir> -DCPACK=<cpack>
# -DDPKG_DEB=<dpkg-deb> -DLIBDIR=<relative libdir> -DINCLUDEDIR -DBINDIR
# -DCURRENT=<version> -DBUILDS=<versions> -DCONVERTER=ON|OFF
include("${CMAKE_CURRENT_LIST_DIR}/run_command.cmake")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
run("${CPACK}" -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${WORK}")

string(REGEX MATCH "^[0-9]+" major "${CURRENT}")
set(runtime "libpixmill${major}")
set(packages ${runtime} libpixmill-dev)
if(CONVERTER)
    list(APPEND packages pixmill-tools)
endif()
file(GLOB found RELATIVE "${WORK}" "${WORK}/*.deb")
list(LENGTH found count)
list(LENGTH packages expected_count)
if(NOT count EQUAL expected_count)
    message(FATAL_ERROR "expected the packages ${packages}, found: ${found}")
endif()

# What each package must hold: paths as dpkg-deb -c lists them ("./usr/x",
# or "./usr/x -> target" for links).
set(runtime_files "usr/${LIBDIR}/libpixmill.so.${CURRENT}" "usr/${LIBDIR}/libpixmill.so.${major} -> ")
set(libpixmill-dev_files "usr/${INCLUDEDIR}/pixmill.h" "usr/${LIBDIR}/libpixmill.so -> "
                         "usr/${LIBDIR}/pkgconfig/pixmill.pc" "usr/${LIBDIR}/cmake/Pixmill/PixmillConfig.cmake"
                         "usr/${LIBDIR}/cmake/Pixmill/PixmillTargets.cmake")
foreach(version IN LISTS BUILDS)
    if(NOT version STREQUAL CURRENT)
        list(APPEND runtime_files "usr/${LIBDIR}/pixmill/${version}/libpixmill.so.${version}")
        list(APPEND libpixmill-dev_files "usr/${LIBDIR}/pixmill/${version}/libpixmill.so -> ")
    endif()
endforeach()
set(${runtime}_files ${runtime_files})
set(pixmill-tools_files "usr/${BINDIR}/pixmill-convert" "usr/share/man/man1/pixmill-convert.1.gz")

set(all_paths "")
foreach(package IN LISTS packages)
    file(GLOB deb "${WORK}/${package}_*.deb")
    if(NOT deb)
        message(FATAL_ERROR "no package ${package} among ${found}")
    endif()
    run("${DPKG_DEB}" -c "${deb}")
    set(listing "${out}")
    foreach(entry IN LISTS ${package}_files "usr/share/doc/${package}/copyright"
                                            "usr/share/doc/${package}/changelog.Debian.gz")
        string(FIND "${listing}" " ./${entry}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "${package} lacks ${entry}\n${listing}")
        endif()
    endforeach()
    if(listing MATCHES "(test|bench|gtest|gmock)[^\n]*")
        message(FATAL_ERROR "${package} holds a test or benchmark file: ${CMAKE_MATCH_0}")
    endif()
    # The packages install side by side: no file (directories aside) in two.
    string(REGEX MATCHALL " \\./[^\n]*[^/\n](\n|$)" paths "${listing}")
    foreach(path IN LISTS paths)
        string(REGEX REPLACE " -> .*|\n" "" path "${path}")
        list(FIND all_paths "${path}" seen)
        if(NOT seen EQUAL -1)
            message(FATAL_ERROR "${path} is in ${package} and in another package")
        endif()
        list(APPEND all_paths "${path}")
    endforeach()

    # Dependencies: the C and C++ runtimes found by dpkg-shlibdeps for the
    # binaries, the library package for the rest; none of the test or
    # benchmark libraries.
    run("${DPKG_DEB}" -f "${deb}" Depends)
    set(depends "${out}")
    if(package STREQUAL runtime)
        if(NOT depends MATCHES "libc6" OR NOT depends MATCHES "libstdc\\+\\+6")
            message(FATAL_ERROR "${package} lacks the C or C++ runtime among its dependencies: ${depends}")
        endif()
        # ldconfig runs once the library is unpacked.
        run("${DPKG_DEB}" -I "${deb}" triggers)
        if(NOT out MATCHES "activate-noawait ldconfig")
            message(FATAL_ERROR "${package} has no ldconfig trigger: ${out}")
        endif()
    elseif(NOT depends MATCHES "${runtime} \\(")
        message(FATAL_ERROR "${package} does not depend on ${runtime}: ${depends}")
    endif()
    if(depends MATCHES "(gtest|gmock|benchmark|opencv)")
        message(FATAL_ERROR "${package} depends on a test or benchmark library: ${depends}")
    endif()
    message(STATUS "${deb}\nDepends: ${depends}")
endforeach()
