# The page's folder of static files (build/web/site), made from the game
# (tumblesquash_web), our mixer for the audio worklet (tumblesquash_mixer),
# and the pictures, recordings and icons of the native build. Included from
# src/platform/CMakeLists.txt in the web build, where ${web} is this folder.

# The mixer alone, a standalone wasm the worklet instantiates itself.
add_executable(tumblesquash_mixer ${web}/audio_mixer_main.cpp
  ${web}/sound_link.cpp ${web}/no_recordings.cpp)
target_link_libraries(tumblesquash_mixer PRIVATE tscore)
target_link_options(tumblesquash_mixer PRIVATE -sSTANDALONE_WASM --no-entry
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=16777216)
set_target_properties(tumblesquash_mixer PROPERTIES SUFFIX .wasm
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/page)

find_program(TS_SITE_NODE node REQUIRED)
set(page_sources ${web}/page/index.html ${web}/page/boot.js ${web}/page/sw.js
                 ${web}/page/make_site.mjs)
set(site_pictures ${TS_PICTURES})
list(REMOVE_ITEM site_pictures minititle.bmp)
list(TRANSFORM site_pictures PREPEND ${TS_RUN_DIR}/)
file(GLOB site_waves ${TS_HOST_BUILD}/gen/waves/*.wav)
file(GLOB site_icons ${TS_HOST_BUILD}/gen/icons/tumblesquash-*.png)
set(site ${CMAKE_BINARY_DIR}/site)
set(page ${CMAKE_BINARY_DIR}/page)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/site.stamp
  COMMAND ${TS_SITE_NODE} ${web}/page/make_site.mjs --out ${site}
    --page ${web}/page --version ${PROJECT_VERSION}
    --js ${page}/tumblesquash.js --wasm ${page}/tumblesquash.wasm
    --mixer ${page}/tumblesquash_mixer.wasm
    --splash ${TS_RUN_DIR}/minititle.bmp
    --pictures ${site_pictures} --waves ${site_waves} --icons ${site_icons}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/site.stamp
  DEPENDS tumblesquash_web tumblesquash_mixer ${page_sources}
    ${site_pictures} ${site_waves} ${site_icons} ${TS_RUN_DIR}/minititle.bmp
  COMMENT "Putting the page together in ${site}"
  VERBATIM)
add_custom_target(ts_site ALL DEPENDS ${CMAKE_BINARY_DIR}/site.stamp)
