# A method constant of one conversion entry passed to the other must not
# compile in C++; the entries' own constants, shared ones and plain integers
# must.  -DCXX=<compiler> -DINCLUDE=<include dir> -DSOURCE=<wrong_entry.cpp>
function(compile result_var output_var)
    execute_process(COMMAND "${CXX}" -std=c++17 -fsyntax-only "-I${INCLUDE}" ${ARGN} "${SOURCE}"
                    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
    set(${result_var} "${result}" PARENT_SCOPE)
    set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

compile(right output)
if(NOT right EQUAL 0)
    message(FATAL_ERROR "the right calls do not compile:\n${output}")
endif()
foreach(wrong 1 2)
    compile(result output -DWRONG_ENTRY=${wrong})
    if(result EQUAL 0 OR NOT output MATCHES "deleted")
        message(FATAL_ERROR "wrong-entry call ${wrong} compiled (or failed for another reason):\n${output}")
    endif()
endforeach()
