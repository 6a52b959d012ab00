# tamocnc-sim run, sent SIGTERM, SIGINT or SIGHUP part way into a long program: it stops as the stop
# key stops a run, writes its trace whole (one row a tick, the last line ended) and prints its summary
# with the reason, exit status 1. With -DMACHINE=... the program switches the spindle (pin 8) and
# the flood on first: the summary and the dump end with both off.
# cmake -DSIM=... -DSIGNAL=TERM|INT|HUP -DOUT_DIR=... -DCONFIG=... [-DMACHINE=...] -P
set(program ${OUT_DIR}/signal_${SIGNAL}.nc)
set(text "G01 F300\n")
set(vcd ${OUT_DIR}/signal_${SIGNAL}.vcd)
set(extra "")
if(MACHINE)
    set(text "M3\nM8\nG01 F300\n")
    set(extra --machine ${MACHINE} --vcd ${vcd})
endif()
foreach(i RANGE 4000)
    math(EXPR x "(${i} % 2) * 50")
    string(APPEND text "G01 X${x} Y1\n")
endforeach()
file(WRITE ${program} "${text}")
set(trace ${OUT_DIR}/signal_${SIGNAL}.trace.csv)
file(REMOVE ${trace})
# The signal goes once rows of the trace are on disk, so the run is under way however slowly this
# machine starts it (a sanitizer build on a loaded machine can take more than a second). The rows
# go into the trace's temporary file until the run ends.
execute_process(COMMAND sh -c [[
    sim=$0 program=$1 config=$2 trace=$3 signal=$4
    shift 4
    "$sim" run "$program" --config "$config" --trace "$trace" "$@" & run=$!
    tries=0
    while [ "$(cat "$trace.tmp" 2>/dev/null | wc -c)" -lt 4096 ] && [ $tries -lt 600 ]; do
        sleep 0.1; tries=$((tries + 1))
    done
    kill -s "$signal" $run
    wait $run
]] ${SIM} ${program} ${CONFIG} ${trace} ${SIGNAL} ${extra}
                OUTPUT_VARIABLE summary ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 1)
    message(FATAL_ERROR "exit status ${status}, not 1: ${summary}${errors}")
endif()
if(NOT summary MATCHES "\"stopped\":{\"reason\":\"signal\",\"signal\":\"SIG${SIGNAL}\"}")
    message(FATAL_ERROR "no stop by signal in the summary: ${summary}")
endif()
string(REGEX MATCH "\"ticks\":([0-9]+)" ticks "${summary}")
set(ticks ${CMAKE_MATCH_1})
file(READ ${trace} rows)
string(LENGTH "${rows}" length)
math(EXPR last "${length} - 1")
string(SUBSTRING "${rows}" ${last} 1 end)
file(STRINGS ${trace} lines)
list(LENGTH lines count)
math(EXPR count "${count} - 1") # the header
if(NOT end STREQUAL "\n" OR NOT count EQUAL ticks OR ticks EQUAL 0)
    message(FATAL_ERROR "the trace has ${count} rows for ${ticks} ticks, or its last line is cut")
endif()
if(MACHINE)
    if(NOT summary MATCHES "\"outputs\":\\[.*\\{[^{}]*\"spindle\":\"off\",\"flood\":false,\"mist\":false\\}\\]")
        message(FATAL_ERROR "the outputs were not switched off at the signal: ${summary}")
    endif()
    file(STRINGS ${vcd} changes REGEX "^[01]'$")
    list(GET changes -1 last_spindle)
    if(NOT last_spindle STREQUAL "0'")
        message(FATAL_ERROR "the dump leaves the spindle pin high: ${changes}")
    endif()
endif()
