# The 32-bit Windows DLLs, cross-built with mingw-w64 (see
# cmake/toolchain-i686-w64-mingw32.cmake).  Each build becomes
# <build dir>/<version>-win32/pixmill.dll with its import library
# pixmill.dll.a, exporting exactly the ordinals of builds/<version>/exports.def.

# Exact arithmetic: doubles and floats in SSE2 registers, never in the x87
# unit's extended precision, so every rounding is the one of x86-64.  A DLL's
# caller need not keep the stack 16-byte aligned (only 4 bytes are promised),
# so functions that need more realign it themselves.
add_compile_options(-msse2 -mfpmath=sse -mincoming-stack-boundary=2)

include(cmake/win32_names.cmake)
include(builds/builds.cmake)  # pixmill_take_vector_sources, the method-code headers

# Nothing beside the DLL: the C runtime start-up, libgcc, the C++ library and
# the thread library are linked in.
set(pixmill_win32_link_options -static -static-libgcc -static-libstdc++)

# pixmill_add_win32_build(VERSION [X87]): X87 builds a control DLL of the
# same exports with its arithmetic in the x87 unit, into
# <version>-win32-x87/; the DLL check must find its outputs differ.
function(pixmill_add_win32_build version)
    string(REPLACE "." "_" tag "${version}")
    set(out_dir "${CMAKE_BINARY_DIR}/${version}-win32")
    if("X87" IN_LIST ARGN)
        string(APPEND tag "_x87")
        string(APPEND out_dir "-x87")
    endif()
    if(TARGET pixmill_win32_${tag})
        return()
    endif()
    set(build_dir "${PROJECT_SOURCE_DIR}/builds/${version}")
    include("${build_dir}/sources.cmake")
    string(REPLACE "." "_" version_tag "${version}")
    pixmill_method_codes_header(${version} "${PIXMILL_GENERATED_DIR}/method_codes_${version_tag}.h")
    # The vector prefixes, the same code in every DLL, compiled once
    # (pixmill_win32_vector_objects); the x87 control has none (it is built
    # without SSE2, as a compiler's default for 32-bit x86 would build it).
    pixmill_take_vector_sources(PIXMILL_BUILD_SOURCES vector_objects)
    if(vector_objects AND NOT "X87" IN_LIST ARGN)
        if(NOT TARGET pixmill_win32_vector_objects)
            set(vector_sources ${PIXMILL_VECTOR_SOURCES})
            list(TRANSFORM vector_sources PREPEND "${PROJECT_SOURCE_DIR}/src/")
            add_library(pixmill_win32_vector_objects OBJECT ${vector_sources})
            target_include_directories(pixmill_win32_vector_objects PRIVATE "${PROJECT_SOURCE_DIR}/include"
                                                                            "${PROJECT_SOURCE_DIR}/src")
        endif()
        list(APPEND PIXMILL_BUILD_SOURCES $<TARGET_OBJECTS:pixmill_win32_vector_objects>)
    elseif(vector_objects)
        list(APPEND PIXMILL_BUILD_SOURCES ${PIXMILL_VECTOR_SOURCES})
    endif()
    list(TRANSFORM PIXMILL_BUILD_SOURCES PREPEND "${PROJECT_SOURCE_DIR}/src/" REGEX "^[^$]")

    # Two module definitions from the one export list: the DLL's (internal
    # symbol, exported name, ordinal) and the import library's (the names a
    # caller's compiler asks for).
    set(link_def "LIBRARY pixmill.dll\nEXPORTS\n")
    set(import_def "LIBRARY pixmill.dll\nEXPORTS\n")
    set(expected "")
    file(STRINGS "${build_dir}/exports.def" lines)
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        if(line STREQUAL "" OR line MATCHES "^#")
            continue()
        endif()
        if(NOT line MATCHES "^([0-9]+)[ \t]+([^ \t]+)$")
            message(FATAL_ERROR "${build_dir}/exports.def: cannot read '${line}'")
        endif()
        set(ordinal ${CMAKE_MATCH_1})
        set(symbol ${CMAKE_MATCH_2})
        if(symbol MATCHES "^_Z[0-9]+([A-Za-z_][A-Za-z0-9_]*)")
            # A C++ export: its length prefix tells where the name ends.
            string(REGEX MATCH "^_Z([0-9]+)" unused "${symbol}")
            string(SUBSTRING "${symbol}" 2 -1 rest)
            string(LENGTH "${CMAKE_MATCH_1}" digits)
            string(SUBSTRING "${rest}" ${digits} ${CMAKE_MATCH_1} name)
            pixmill_declaration("${PROJECT_SOURCE_DIR}/include/pixmill_decorated.hpp" ${name} result parameters)
            pixmill_cpp_names(${name} "${result}" "${parameters}" msvc itanium)
            if(NOT itanium STREQUAL symbol)
                message(FATAL_ERROR "${symbol} in ${build_dir}/exports.def is not the declared ${name} (${itanium})")
            endif()
            string(APPEND link_def "    ${msvc} = ${symbol} @${ordinal}\n")
            string(APPEND import_def "    ${msvc} @${ordinal}\n    ${symbol} == ${msvc}\n")
            list(APPEND expected "${ordinal} ${msvc}")
        else()
            pixmill_declaration("${PROJECT_SOURCE_DIR}/include/pixmill.h" ${symbol} result parameters)
            pixmill_stdcall_bytes("${parameters}" bytes)
            # The export without a name: PmGetConstantBlock stands in for it
            # on platforms whose exports have no ordinals.
            if(symbol STREQUAL "PmGetConstantBlock")
                string(APPEND link_def "    ${symbol}@${bytes} @${ordinal} NONAME\n")
                string(APPEND import_def "    ${symbol}@${bytes} @${ordinal} NONAME\n")
                list(APPEND expected "${ordinal} -")
            else()
                string(APPEND link_def "    ${symbol}@${bytes} @${ordinal}\n")
                string(APPEND import_def "    ${symbol}@${bytes} @${ordinal}\n")
                list(APPEND expected "${ordinal} ${symbol}")
            endif()
        endif()
    endforeach()
    set(link_def_file "${CMAKE_BINARY_DIR}/pixmill_${tag}.def")
    set(import_def_file "${CMAKE_BINARY_DIR}/pixmill_${tag}_import.def")
    file(WRITE "${link_def_file}" "${link_def}")
    file(WRITE "${import_def_file}" "${import_def}")
    # What the export table must hold, one "ordinal name" a line ("-": no
    # name), for the tests.
    list(JOIN expected "\n" expected)
    file(WRITE "${out_dir}/exports.txt" "${expected}\n")

    add_library(pixmill_win32_${tag} SHARED ${PIXMILL_BUILD_SOURCES} "${link_def_file}")
    target_include_directories(pixmill_win32_${tag} PRIVATE "${PROJECT_SOURCE_DIR}/include"
                                                            "${PROJECT_SOURCE_DIR}/src" "${PIXMILL_GENERATED_DIR}")
    set_target_properties(pixmill_win32_${tag} PROPERTIES
        OUTPUT_NAME pixmill
        PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY "${out_dir}"
        ARCHIVE_OUTPUT_DIRECTORY "${out_dir}/linker"
        LINK_DEPENDS "${link_def_file}")
    target_link_options(pixmill_win32_${tag} PRIVATE ${pixmill_win32_link_options} -Wl,--kill-at
                                                     -Wl,--no-undefined)
    # The linker's own import library would carry the plain names without
    # their argument sizes; the one callers link against is made from the
    # import definition instead.
    add_custom_command(TARGET pixmill_win32_${tag} POST_BUILD
        COMMAND "${CMAKE_DLLTOOL}" -k -d "${import_def_file}" -D pixmill.dll -l "${out_dir}/pixmill.dll.a"
        BYPRODUCTS "${out_dir}/pixmill.dll.a"
        COMMENT "Import library of the ${version} DLL"
        VERBATIM)
    if("X87" IN_LIST ARGN)
        # Extended precision in every floating-point expression, as a
        # compiler's default for 32-bit x86 would give.
        target_compile_options(pixmill_win32_${tag} PRIVATE -mfpmath=387 -mno-sse2)
    else()
        set_property(GLOBAL APPEND PROPERTY PIXMILL_WIN32_BUILDS "${version}")
    endif()
endfunction()

pixmill_add_win32_build(1.7.7.6)
# Every other build whose source list exists, as for the native libraries.
file(GLOB pixmill_source_lists CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}/builds"
     "${PROJECT_SOURCE_DIR}/builds/*/sources.cmake")
foreach(source_list IN LISTS pixmill_source_lists)
    get_filename_component(version "${source_list}" DIRECTORY)
    pixmill_add_win32_build(${version})
endforeach()

if(PIXMILL_BUILD_TESTS)
    pixmill_add_win32_build(1.7.7.6 X87)
    add_subdirectory(tests/win32)
endif()
