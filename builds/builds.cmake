# pixmill_add_build(VERSION): one shared library libpixmill.so in
# <build dir>/VERSION/, made of the sources that builds/VERSION/sources.cmake
# selects and exporting exactly the symbols of builds/VERSION/exports.def.
# Also makes pixmill_static_VERSION, the same objects as a static library,
# which the tests link to reach internal routines.  Adding a build twice adds
# it once.
#
# The file is libpixmill.so.VERSION with libpixmill.so beside it.  The current
# build (the project's version) carries the SONAME libpixmill.so.<major>: it is
# the system's libpixmill.  An earlier build's SONAME is its full version: its
# method codes partly name other methods, so a program linked against it must
# never be bound to the current build by the loader instead.

function(pixmill_read_exports def_file out_var)
    file(STRINGS "${def_file}" lines)
    set(symbols "")
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        if(line STREQUAL "" OR line MATCHES "^#")
            continue()
        endif()
        string(REGEX REPLACE "^[0-9]+[ \t]+" "" symbol "${line}")
        list(APPEND symbols "${symbol}")
    endforeach()
    set(${out_var} "${symbols}" PARENT_SCOPE)
endfunction()

function(pixmill_add_build version)
    string(REPLACE "." "_" tag "${version}")
    if(TARGET pixmill_${tag})
        return()
    endif()
    set(build_dir "${PROJECT_SOURCE_DIR}/builds/${version}")
    include("${build_dir}/sources.cmake")
    list(TRANSFORM PIXMILL_BUILD_SOURCES PREPEND "${PROJECT_SOURCE_DIR}/src/")

    pixmill_read_exports("${build_dir}/exports.def" symbols)
    set(script "{\n  global:\n")
    foreach(symbol IN LISTS symbols)
        string(APPEND script "    ${symbol};\n")
    endforeach()
    string(APPEND script "  local:\n    *;\n};\n")
    set(version_script "${CMAKE_BINARY_DIR}/exports_${tag}.map")
    file(WRITE "${version_script}" "${script}")

    add_library(pixmill_objects_${tag} OBJECT ${PIXMILL_BUILD_SOURCES})
    target_include_directories(pixmill_objects_${tag} PUBLIC "${PROJECT_SOURCE_DIR}/include"
                                                              "${PROJECT_SOURCE_DIR}/src")
    set_target_properties(pixmill_objects_${tag} PROPERTIES POSITION_INDEPENDENT_CODE ON
                                                            CXX_VISIBILITY_PRESET hidden
                                                            VISIBILITY_INLINES_HIDDEN ON)

    if(version VERSION_EQUAL PROJECT_VERSION)
        set(soversion "${PROJECT_VERSION_MAJOR}")
        set(export_name pixmill)
    else()
        set(soversion "${version}")
        set(export_name pixmill_${tag})
    endif()
    add_library(pixmill_${tag} SHARED $<TARGET_OBJECTS:pixmill_objects_${tag}>)
    set_target_properties(pixmill_${tag} PROPERTIES
        OUTPUT_NAME pixmill
        VERSION "${version}"
        SOVERSION "${soversion}"
        EXPORT_NAME ${export_name}
        LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/${version}"
        LINK_DEPENDS "${version_script}")
    target_link_options(pixmill_${tag} PRIVATE "-Wl,--version-script=${version_script}" "-Wl,--no-undefined")
    target_include_directories(pixmill_${tag} INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                                                        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

    add_library(pixmill_static_${tag} STATIC $<TARGET_OBJECTS:pixmill_objects_${tag}>)
    target_include_directories(pixmill_static_${tag} PUBLIC "${PROJECT_SOURCE_DIR}/include"
                                                             "${PROJECT_SOURCE_DIR}/src")
    find_package(Threads REQUIRED)
    target_link_libraries(pixmill_static_${tag} PUBLIC Threads::Threads)
    target_link_libraries(pixmill_${tag} PRIVATE Threads::Threads)

    set_property(GLOBAL APPEND PROPERTY PIXMILL_BUILDS "${version}")
endfunction()
