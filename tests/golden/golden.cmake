# Runs one recorded case headless and compares the digests of its trace, its
# screenshots and the Score.dat it leaves with the recorded ones.
#   cmake -DGAME=... -DPICTURES=... -DCASE=... -DWORK=... [-DRECORD=ON]
#         -P golden.cmake
# With RECORD=ON the case's digests are written into digests.txt instead.
# Re-record only in a commit whose message says why the frames changed.
cmake_minimum_required(VERSION 3.25)
set(here ${CMAKE_CURRENT_LIST_DIR})
include(${here}/cases.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(GLOB pictures ${PICTURES}/*.ssk ${PICTURES}/*.SSK ${PICTURES}/*.bmp)
file(COPY ${pictures} DESTINATION ${WORK})
if(${CASE}_scores)
  file(COPY_FILE ${here}/${${CASE}_scores} ${WORK}/Score.dat)
endif()

set(args ${${CASE}_args})
list(TRANSFORM args REPLACE "^([a-z]+\\.script)$" "${here}/\\1")
set(outputs trace.jsonl Score.dat)
foreach(shot ${${CASE}_shots})
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

set(want ${recorded})
list(FILTER want INCLUDE REGEX "^${CASE} ")
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
