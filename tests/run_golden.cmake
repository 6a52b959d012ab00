# Runs tamocnc-sim on every case folder below CASE_DIR and compares its output with the case's
# expected output, byte for byte. A case folder holds:
#   program.txt    the part program
#   args           optional: further arguments, one per line; @CASE@ stands for the case folder
#   expected.jsonl what tamocnc-sim must print
# With -DUPDATE=ON the expected files are rewritten instead: check every change by hand.
file(GLOB cases LIST_DIRECTORIES true ${CASE_DIR}/*)
set(failures 0)
foreach(case ${cases})
    if(NOT IS_DIRECTORY ${case})
        continue()
    endif()
    get_filename_component(name ${case} NAME)
    set(extra "")
    if(EXISTS ${case}/args)
        file(STRINGS ${case}/args extra)
        list(TRANSFORM extra REPLACE "@CASE@" "${case}")
    endif()
    execute_process(COMMAND ${SIM} ${COMMAND} ${case}/program.txt ${extra}
                    OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(SEND_ERROR "${name}: exit status ${status}: ${errors}")
        math(EXPR failures "${failures} + 1")
        continue()
    endif()
    if(UPDATE)
        file(WRITE ${case}/expected.jsonl "${actual}")
        continue()
    endif()
    file(READ ${case}/expected.jsonl expected)
    if(NOT actual STREQUAL expected)
        file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.actual.jsonl "${actual}")
        message(SEND_ERROR "${name}: output differs from ${case}/expected.jsonl; see ${CMAKE_CURRENT_BINARY_DIR}/${name}.actual.jsonl")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} golden case(s) failed")
endif()
