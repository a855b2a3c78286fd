# The recorded whole game's sound, mixed by the wasm runner under node, must
# be the native runner's byte for byte.
#   cmake -DNATIVE=... -DNODE=...;... -DPICTURES=... -DSCRIPT=... -DWORK=...
#         -P node_audio.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK})
foreach(runner native node)
  file(MAKE_DIRECTORY ${WORK}/${runner})
  if(runner STREQUAL native)
    set(command ${NATIVE})
  else()
    set(command ${NODE})
  endif()
  execute_process(
    COMMAND ${command} --headless --seed 11 --input ${SCRIPT} --data ${PICTURES}
            --audio-out mix.wav
    WORKING_DIRECTORY ${WORK}/${runner}
    RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "the ${runner} run ended with ${code}")
  endif()
  file(SHA256 ${WORK}/${runner}/mix.wav ${runner}_digest)
endforeach()
if(NOT native_digest STREQUAL node_digest)
  message(FATAL_ERROR "the sound under node differs from the native one")
endif()
file(REMOVE_RECURSE ${WORK})
