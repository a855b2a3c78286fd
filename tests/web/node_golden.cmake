# Runs one recorded golden case with the native runner and with the wasm
# runner under node, and compares the traces and the Score.dat they leave.
#   cmake -DGAME=... -DNODE=... -DWASM_GAME=... -DPICTURES=... -DCASE=...
#         -DWORK=... -P node_golden.cmake
cmake_minimum_required(VERSION 3.25)
set(golden ${CMAKE_CURRENT_LIST_DIR}/../golden)
include(${golden}/cases.cmake)

set(args ${${CASE}_args})
list(TRANSFORM args REPLACE "^([a-z]+\\.script)$" "${golden}/\\1")
list(APPEND args --trace trace.jsonl --trace-actors)

file(REMOVE_RECURSE ${WORK})
foreach(side native wasm)
  file(MAKE_DIRECTORY ${WORK}/${side})
  file(GLOB pictures ${PICTURES}/*.ssk ${PICTURES}/*.SSK ${PICTURES}/*.bmp)
  file(COPY ${pictures} DESTINATION ${WORK}/${side})
  if(${CASE}_scores)
    file(COPY_FILE ${golden}/${${CASE}_scores} ${WORK}/${side}/Score.dat)
  endif()
endforeach()

execute_process(COMMAND ${GAME} --headless ${args}
                WORKING_DIRECTORY ${WORK}/native RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "${CASE}: the native run ended with ${code}")
endif()
execute_process(COMMAND ${NODE} ${WASM_GAME} --headless ${args}
                WORKING_DIRECTORY ${WORK}/wasm RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "${CASE}: the wasm run under node ended with ${code}")
endif()

set(failed OFF)
foreach(file trace.jsonl Score.dat)
  # cmp names the first byte and line that differ.
  execute_process(COMMAND cmp ${WORK}/native/${file} ${WORK}/wasm/${file}
                  RESULT_VARIABLE differ OUTPUT_VARIABLE where
                  ERROR_VARIABLE where)
  if(differ)
    string(STRIP "${where}" where)
    message(SEND_ERROR "${CASE}: ${file} differs: ${where}")
    set(failed ON)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "${CASE}: the wasm build plays differently "
                      "(output kept in ${WORK})")
endif()
file(REMOVE_RECURSE ${WORK})
