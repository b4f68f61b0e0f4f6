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

include("${CMAKE_CURRENT_LIST_DIR}/method_codes.cmake")
set(PIXMILL_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")

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

# Removes the vector sources (builds/vector_sources.cmake) from the source
# list `sources_var`; `out_var` tells whether the list held them.
function(pixmill_take_vector_sources sources_var out_var)
    set(sources ${${sources_var}})
    set(found OFF)
    foreach(source IN LISTS PIXMILL_VECTOR_SOURCES)
        if(source IN_LIST sources)
            set(found ON)
        endif()
    endforeach()
    if(found)
        list(REMOVE_ITEM sources ${PIXMILL_VECTOR_SOURCES})
    endif()
    set(${sources_var} "${sources}" PARENT_SCOPE)
    set(${out_var} ${found} PARENT_SCOPE)
endfunction()

# The objects of a library from `ARGN` (full paths): position independent,
# symbols hidden unless exported.
function(pixmill_object_library name)
    add_library(${name} OBJECT ${ARGN})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/include" "${PROJECT_SOURCE_DIR}/src"
                                              "${PIXMILL_GENERATED_DIR}")
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON
                                             CXX_VISIBILITY_PRESET hidden
                                             VISIBILITY_INLINES_HIDDEN ON)
endfunction()

function(pixmill_add_build version)
    string(REPLACE "." "_" tag "${version}")
    if(TARGET pixmill_${tag})
        return()
    endif()
    set(build_dir "${PROJECT_SOURCE_DIR}/builds/${version}")
    include("${build_dir}/sources.cmake")
    # The vector prefixes are the same code in every build: compiled once,
    # into pixmill_vector_objects, which each build that lists them links.
    pixmill_take_vector_sources(PIXMILL_BUILD_SOURCES vector_objects)
    if(vector_objects AND NOT TARGET pixmill_vector_objects)
        set(vector_sources ${PIXMILL_VECTOR_SOURCES})
        list(TRANSFORM vector_sources PREPEND "${PROJECT_SOURCE_DIR}/src/")
        pixmill_object_library(pixmill_vector_objects ${vector_sources})
    endif()
    list(TRANSFORM PIXMILL_BUILD_SOURCES PREPEND "${PROJECT_SOURCE_DIR}/src/")

    pixmill_method_codes_header(${version} "${PIXMILL_GENERATED_DIR}/method_codes_${tag}.h")
    set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${build_dir}/methods.txt")

    pixmill_read_exports("${build_dir}/exports.def" symbols)
    set(script "{\n  global:\n")
    foreach(symbol IN LISTS symbols)
        string(APPEND script "    ${symbol};\n")
    endforeach()
    string(APPEND script "  local:\n    *;\n};\n")
    set(version_script "${CMAKE_BINARY_DIR}/exports_${tag}.map")
    file(WRITE "${version_script}" "${script}")

    pixmill_object_library(pixmill_objects_${tag} ${PIXMILL_BUILD_SOURCES})
    set(objects $<TARGET_OBJECTS:pixmill_objects_${tag}>)
    if(vector_objects)
        list(APPEND objects $<TARGET_OBJECTS:pixmill_vector_objects>)
    endif()

    if(version VERSION_EQUAL PROJECT_VERSION)
        set(soversion "${PROJECT_VERSION_MAJOR}")
        set(export_name pixmill)
    else()
        set(soversion "${version}")
        set(export_name pixmill_${tag})
    endif()
    add_library(pixmill_${tag} SHARED ${objects})
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

    add_library(pixmill_static_${tag} STATIC ${objects})
    target_include_directories(pixmill_static_${tag} PUBLIC "${PROJECT_SOURCE_DIR}/include"
                                                             "${PROJECT_SOURCE_DIR}/src" "${PIXMILL_GENERATED_DIR}")
    find_package(Threads REQUIRED)
    target_link_libraries(pixmill_static_${tag} PUBLIC Threads::Threads)
    target_link_libraries(pixmill_${tag} PRIVATE Threads::Threads)

    set_property(GLOBAL APPEND PROPERTY PIXMILL_BUILDS "${version}")
endfunction()
