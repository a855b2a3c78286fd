# The web build, made beside the native one: the same core compiled by
# emscripten into build/web, using the recordings and pictures this build
# makes. Without emscripten (scripts/setup.sh installs it) it is left out and
# the web tests say they were skipped.
option(TS_BUILD_WEB "Build the web version too when emscripten is installed" ON)
set(TS_WEB_JOBS 2 CACHE STRING "Parallel jobs of the web build")

set(TS_WEB_DIR "")
set(TS_WEB_MISSING "")
find_program(TS_EMCMAKE emcmake)
find_program(TS_NODE node)
if(NOT TS_BUILD_WEB)
  set(TS_WEB_MISSING "the web build is switched off (TS_BUILD_WEB)")
elseif(NOT TS_EMCMAKE)
  set(TS_WEB_MISSING "emscripten (emcmake) is not installed; run scripts/setup.sh")
elseif(NOT TS_NODE)
  set(TS_WEB_MISSING "node is not installed; run scripts/setup.sh")
else()
  set(TS_WEB_DIR ${CMAKE_BINARY_DIR}/web)
  # Debian's emscripten runs its optimiser on node with Debian's own node
  # modules (acorn), which another node does not find without this.
  set(node_path /usr/share/nodejs)
  if(DEFINED ENV{NODE_PATH} AND NOT "$ENV{NODE_PATH}" STREQUAL "")
    set(node_path "$ENV{NODE_PATH}:/usr/share/nodejs")
  endif()
  set(TS_WEB_ENV ${CMAKE_COMMAND} -E env NODE_PATH=${node_path})
  include(ExternalProject)
  ExternalProject_Add(ts_web
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${TS_WEB_DIR}
    CONFIGURE_COMMAND ${TS_WEB_ENV} ${TS_EMCMAKE} ${CMAKE_COMMAND}
      -S ${CMAKE_SOURCE_DIR} -B ${TS_WEB_DIR} -G ${CMAKE_GENERATOR}
      -DCMAKE_BUILD_TYPE=Release -DTS_HOST_BUILD=${CMAKE_BINARY_DIR}
    BUILD_COMMAND ${TS_WEB_ENV} ${CMAKE_COMMAND} --build ${TS_WEB_DIR}
      --parallel ${TS_WEB_JOBS}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    DEPENDS ts_waves ts_assets)
endif()
if(TS_WEB_MISSING)
  message(STATUS "Web build left out: ${TS_WEB_MISSING}")
endif()
