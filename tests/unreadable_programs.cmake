# Every command of the headless tool refuses a program it cannot read in the same words, at once:
# a missing file, a folder, a device that never ends and a FIFO nobody writes to.
# cmake -DSIM=tamocnc-sim -DWORK_DIR=dir -P unreadable_programs.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/folder)
execute_process(COMMAND mkfifo ${WORK_DIR}/fifo RESULT_VARIABLE made)
if(NOT made EQUAL 0)
    message(FATAL_ERROR "mkfifo failed")
endif()
foreach(program IN ITEMS ${WORK_DIR}/none.nc ${WORK_DIR}/folder /dev/zero ${WORK_DIR}/fifo)
    set(first "")
    foreach(command IN ITEMS parse check run convert)
        execute_process(COMMAND ${SIM} ${command} ${program} TIMEOUT 10 RESULT_VARIABLE status
                        OUTPUT_QUIET ERROR_VARIABLE said)
        if(NOT status EQUAL 2 OR NOT said MATCHES "^tamocnc-sim: cannot read ${program}: [^\n]+\n$")
            message(FATAL_ERROR "${command} ${program}: status ${status}, said: ${said}")
        endif()
        if(first STREQUAL "")
            set(first "${said}")
        elseif(NOT said STREQUAL first)
            message(FATAL_ERROR "${command} ${program} said ${said} where parse said ${first}")
        endif()
    endforeach()
endforeach()
