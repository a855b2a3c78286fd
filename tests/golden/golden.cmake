# Runs one recorded case headless and compares the digests of its trace, its
# screenshots and the Score.dat it leaves with the recorded ones.
#   cmake -DGAME=... -DPICTURES=... -DCASE=... -DWORK=... [-DRECORD=ON]
#         [-DNO_SHOTS=ON] -P golden.cmake
# GAME is the runner's command line up to its options (for the web build,
# node and the script). NO_SHOTS=ON leaves the screenshots out, for a runner
# that cannot write PNGs, and compares the trace and Score.dat alone.
# With RECORD=ON the case's digests are written into digests.txt instead.
# Re-record only in a commit whose message says why the frames changed.
cmake_minimum_required(VERSION 3.25)
set(here ${CMAKE_CURRENT_LIST_DIR})
include(${here}/cases.cmake)

if(RECORD AND NO_SHOTS)
  message(FATAL_ERROR "record with a runner that writes the screenshots")
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
if(${CASE}_scores)
  file(COPY_FILE ${here}/${${CASE}_scores} ${WORK}/Score.dat)
endif()

set(args ${${CASE}_args})
list(TRANSFORM args REPLACE "^([a-z]+\\.script)$" "${here}/\\1")
list(APPEND args --data ${PICTURES})
set(outputs trace.jsonl Score.dat)
set(shots ${${CASE}_shots})
if(NO_SHOTS)
  set(shots)
endif()
foreach(shot ${shots})
  list(APPEND args --shot ${shot})
  string(REGEX REPLACE "^[0-9]+:" "" file ${shot})
  list(APPEND outputs ${file})
endforeach()
execute_process(
  COMMAND ${GAME} --headless ${args} --trace trace.jsonl --trace-actors
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "${CASE}: the run ended with ${code}")
endif()

set(lines)
foreach(file ${outputs})
  file(SHA256 ${WORK}/${file} digest)
  list(APPEND lines "${CASE} ${file} ${digest}")
endforeach()

set(digests ${here}/digests.txt)
set(recorded)
if(EXISTS ${digests})
  file(STRINGS ${digests} recorded)
endif()
if(RECORD)
  list(FILTER recorded EXCLUDE REGEX "^${CASE} ")
  list(APPEND recorded ${lines})
  list(SORT recorded)
  list(JOIN recorded "\n" text)
  file(WRITE ${digests} "${text}\n")
  message(STATUS "${CASE}: recorded")
  file(REMOVE_RECURSE ${WORK})
  return()
endif()

set(want)
foreach(line ${recorded})
  if(line MATCHES "^${CASE} ([^ ]+) ")
    set(file ${CMAKE_MATCH_1})
    if(NOT NO_SHOTS OR file IN_LIST outputs)
      list(APPEND want ${line})
    endif()
  endif()
endforeach()
list(SORT want)
list(SORT lines)
if(NOT want STREQUAL lines)
  foreach(line ${lines})
    if(NOT line IN_LIST want)
      message(SEND_ERROR "changed: ${line}")
    endif()
  endforeach()
  message(FATAL_ERROR
          "${CASE}: the frames differ from the recording (output kept in "
          "${WORK}). If an issue names this change, re-record with "
          "`cmake --build build --target golden_record` in the same commit.")
endif()
file(REMOVE_RECURSE ${WORK})
