# Runs the built tool as a user would and checks its exit statuses:
#   cmake -DTOOL=path/to/velmora -P ExitStatus.cmake
function(expect_status expected)
    execute_process(COMMAND "${TOOL}" ${ARGN} RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
    if(NOT status EQUAL expected)
        message(FATAL_ERROR "velmora ${ARGN}: exit status ${status}, expected ${expected}\n${err}")
    endif()
endfunction()

expect_status(0 --version)
expect_status(0 params --json)
expect_status(2 render out.wav --set mix=7)
expect_status(2 frobnicate)
expect_status(1 render /nonexistent/input.wav /tmp/velmora-exit-status-test.wav)
expect_status(0 presets --json)
expect_status(2 render out.wav --preset 23)
expect_status(2 state)
expect_status(1 state dump /nonexistent/state.bin)
