# The installed tree as a user meets it.
#   -DMODE=install       install BUILD into PREFIX, check where each build,
#                        header and package file lands, run the converter
#   -DMODE=pkg-config    compile consumer/consumer.c and consumer.cpp with the
#                        flags pkg-config gives for PREFIX, run both
#   -DMODE=find-package  build consumer/ as a CMake project that finds PREFIX
#                        with find_package(Pixmill), run both programs
# Also: -DBUILD -DPREFIX -DLIBDIR -DINCLUDEDIR -DBINDIR -DWORK -DSOURCE
#       -DCURRENT=<version> -DBUILDS=<versions> -DREADELF -DCC -DCXX
#       -DPKG_CONFIG -DGENERATOR -DCONVERTER=ON|OFF
include("${CMAKE_CURRENT_LIST_DIR}/run_command.cmake")

function(expect_file path)
    if(NOT EXISTS "${PREFIX}/${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endfunction()

# The SONAME a library file carries.
function(soname_of file out_var)
    run("${READELF}" -d "${file}")
    if(NOT out MATCHES "\\(SONAME\\)[^\n]*\\[([^]]*)\\]")
        message(FATAL_ERROR "${file} has no SONAME")
    endif()
    set(${out_var} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

if(MODE STREQUAL "install")
    file(REMOVE_RECURSE "${PREFIX}")
    run("${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}")
    expect_file("${INCLUDEDIR}/pixmill.h")
    expect_file("${LIBDIR}/pkgconfig/pixmill.pc")
    expect_file("${LIBDIR}/cmake/Pixmill/PixmillConfig.cmake")
    expect_file("${LIBDIR}/cmake/Pixmill/PixmillConfigVersion.cmake")
    # The current build is the system's libpixmill: SONAME with the major
    # version, file name with the full one.  Earlier builds keep a folder of
    # their own and a SONAME of their full version.
    foreach(version IN LISTS BUILDS)
        if(version STREQUAL CURRENT)
            set(dir "${LIBDIR}")
            string(REGEX MATCH "^[0-9]+" major "${version}")
            set(expected "libpixmill.so.${major}")
        else()
            set(dir "${LIBDIR}/pixmill/${version}")
            set(expected "libpixmill.so.${version}")
        endif()
        set(file "${PREFIX}/${dir}/libpixmill.so.${version}")
        if(NOT EXISTS "${file}" OR IS_SYMLINK "${file}")
            message(FATAL_ERROR "build ${version}: no library file ${dir}/libpixmill.so.${version}")
        endif()
        soname_of("${file}" soname)
        if(NOT soname STREQUAL expected)
            message(FATAL_ERROR "build ${version}: SONAME ${soname}, expected ${expected}")
        endif()
        expect_file("${dir}/${soname}")
        expect_file("${dir}/libpixmill.so")
    endforeach()
    if(CONVERTER)
        # Runs from the prefix with no library path set.
        run("${PREFIX}/${BINDIR}/pixmill-convert" -o "${WORK}/scene.png")
        expect_file("${BINDIR}/pixmill-convert")
        expect_file("share/man/man1/pixmill-convert.1.gz")
    endif()
    return()
endif()

if(MODE STREQUAL "pkg-config")
    set(ENV{PKG_CONFIG_PATH} "${PREFIX}/${LIBDIR}/pkgconfig")
    run("${PKG_CONFIG}" --cflags pixmill)
    separate_arguments(cflags UNIX_COMMAND "${out}")
    run("${PKG_CONFIG}" --libs pixmill)
    separate_arguments(libs UNIX_COMMAND "${out}")
    run("${PKG_CONFIG}" --variable=libdir pixmill)
    string(STRIP "${out}" libdir)
    run("${CC}" -std=c99 -Wall -Wextra -pedantic -Werror ${cflags} "${SOURCE}/consumer.c" -o "${WORK}/consumer_c"
        ${libs} "-Wl,-rpath,${libdir}")
    run("${CXX}" -std=c++17 -Wall -Wextra -pedantic -Werror ${cflags} "${SOURCE}/consumer.cpp"
        -o "${WORK}/consumer_cxx" ${libs} "-Wl,-rpath,${libdir}")
elseif(MODE STREQUAL "find-package")
    run("${CMAKE_COMMAND}" -S "${SOURCE}" -B "${WORK}" -G "${GENERATOR}" "-DCMAKE_PREFIX_PATH=${PREFIX}"
        "-DCMAKE_C_COMPILER=${CC}" "-DCMAKE_CXX_COMPILER=${CXX}")
    # The package found must be the one just installed, not one on the system.
    file(STRINGS "${WORK}/CMakeCache.txt" found REGEX "^Pixmill_DIR:")
    if(NOT found MATCHES "=${PREFIX}/")
        message(FATAL_ERROR "find_package(Pixmill) found ${found}, not the tree in ${PREFIX}")
    endif()
    run("${CMAKE_COMMAND}" --build "${WORK}")
else()
    message(FATAL_ERROR "unknown MODE ${MODE}")
endif()

foreach(program IN ITEMS consumer_c consumer_cxx)
    run("${WORK}/${program}")
    message(STATUS "${out}")
endforeach()
