# run(COMMAND...): runs a command for a script test, stops the script with the
# command, its status and its output when it fails, and leaves its standard
# output in `out` in the caller's scope.
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status STREQUAL "0")
        string(REPLACE ";" " " command "${ARGN}")
        message(FATAL_ERROR "${command}\nexit status ${status}\n${out}\n${err}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()
