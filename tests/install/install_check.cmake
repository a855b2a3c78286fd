# Installs the build into a fresh prefix and runs the installed program from
# a folder that has nothing to do with it.
#   cmake -DBUILD=... -DWORK=... -DPICTURES=... -DVERSION=... -DAPP_ID=...
#         -DICON_SIZES=... -P install_check.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
set(elsewhere ${WORK}/elsewhere)
file(MAKE_DIRECTORY ${elsewhere} ${WORK}/home)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
                OUTPUT_QUIET RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${code})")
endif()

set(data ${prefix}/share/tumblesquash)
set(expected games/tumblesquash share/applications/${APP_ID}.desktop
             share/metainfo/${APP_ID}.metainfo.xml share/man/man6/tumblesquash.6.gz
             share/doc/tumblesquash/copyright share/doc/tumblesquash/changelog.gz
             share/tumblesquash/screenshots/play.png)
foreach(name ${PICTURE_FILES})
  list(APPEND expected share/tumblesquash/${name})
endforeach()
foreach(file ${expected})
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
# Each theme icon is a PNG of its folder's size.
foreach(size ${ICON_SIZES})
  set(icon ${prefix}/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
  if(NOT EXISTS ${icon})
    message(FATAL_ERROR "no ${size} pixel icon")
  endif()
  file(READ ${icon} header LIMIT 24 HEX)
  string(SUBSTRING ${header} 32 16 dims)
  math(EXPR want "(${size} << 32) | ${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" want ${want})
  string(LENGTH ${want} n)
  while(n LESS 16)
    string(PREPEND want 0)
    math(EXPR n "${n} + 1")
  endwhile()
  if(NOT header MATCHES "^89504e47" OR NOT dims STREQUAL want)
    message(FATAL_ERROR "${icon}: not a ${size} x ${size} PNG (${header})")
  endif()
endforeach()

set(game ${prefix}/games/tumblesquash)
# No display: a message box would wait for a click.
set(env ${CMAKE_COMMAND} -E env --unset=XDG_DATA_HOME --unset=XDG_CONFIG_HOME
        --unset=DISPLAY --unset=WAYLAND_DISPLAY
        HOME=${WORK}/home)
execute_process(COMMAND ${game} --version WORKING_DIRECTORY ${elsewhere}
                OUTPUT_VARIABLE out RESULT_VARIABLE code)
if(NOT code EQUAL 0 OR NOT out STREQUAL "tumblesquash ${VERSION}\n")
  message(FATAL_ERROR "--version said \"${out}\" (${code})")
endif()
# The installed program finds its pictures from anywhere, and keeps the
# scores in the player's data folder.
execute_process(COMMAND ${env} ${game} --help WORKING_DIRECTORY ${elsewhere}
                OUTPUT_VARIABLE out RESULT_VARIABLE code)
if(NOT code EQUAL 0
   OR NOT out MATCHES "pictures: +${data}\n"
   OR NOT out MATCHES "scores: +${WORK}/home/.local/share/tumblesquash/Score.dat")
  message(FATAL_ERROR "--help shows the wrong paths:\n${out}")
endif()

# Headless from the unrelated folder with --data: the same game as in the
# build's run folder, and the scores in the working folder.
set(run --headless --seed 3 --frames 700 --trace trace.jsonl)
execute_process(COMMAND ${game} ${run} --data ${data}
                WORKING_DIRECTORY ${elsewhere} RESULT_VARIABLE code)
if(NOT code EQUAL 0 OR NOT EXISTS ${elsewhere}/Score.dat)
  message(FATAL_ERROR "the installed headless run failed (${code})")
endif()
file(MAKE_DIRECTORY ${WORK}/reference)
execute_process(COMMAND ${game} ${run} --data ${PICTURES}
                WORKING_DIRECTORY ${WORK}/reference RESULT_VARIABLE code)
file(SHA256 ${elsewhere}/trace.jsonl got)
file(SHA256 ${WORK}/reference/trace.jsonl want)
if(NOT got STREQUAL want)
  message(FATAL_ERROR "the installed pictures play differently")
endif()
# And as the documents write it, without --data: the installed pictures.
file(REMOVE ${elsewhere}/trace.jsonl ${elsewhere}/Score.dat)
execute_process(COMMAND ${game} ${run} WORKING_DIRECTORY ${elsewhere}
                RESULT_VARIABLE code)
file(SHA256 ${elsewhere}/trace.jsonl got)
if(NOT code EQUAL 0 OR NOT got STREQUAL want)
  message(FATAL_ERROR "without --data the installed game played otherwise")
endif()

# Without its pictures the program says where it looked and stops.
file(COPY ${game} DESTINATION ${WORK}/lonely/bin)
execute_process(COMMAND ${env} ${WORK}/lonely/bin/tumblesquash
                WORKING_DIRECTORY ${elsewhere}
                ERROR_VARIABLE err RESULT_VARIABLE code)
if(NOT EXISTS /usr/local/share/tumblesquash)
  if(NOT code EQUAL 1 OR NOT err MATCHES "${WORK}/lonely/bin"
     OR NOT err MATCHES "${elsewhere}")
    message(FATAL_ERROR "missing pictures: \"${err}\" (${code})")
  endif()
endif()
file(REMOVE_RECURSE ${WORK})
