# The Windows program (included from src/platform/CMakeLists.txt): a GUI
# program with an entry of its own (program.cpp), and its resources: the
# icon the native build draws, the version and the manifest.
set(win ${CMAKE_CURRENT_SOURCE_DIR}/windows)
set(TS_WINDOWS_ICON ${TS_HOST_BUILD}/gen/tumblesquash.ico)
if(NOT EXISTS ${TS_WINDOWS_ICON})
  message(FATAL_ERROR "${TS_WINDOWS_ICON} is missing: build the native "
                      "build's ts_assets target first")
endif()
set(TS_WINDOWS_MANIFEST ${win}/tumblesquash.manifest)
configure_file(${win}/tumblesquash.rc.in ${TS_GEN_DIR}/tumblesquash.rc @ONLY)
target_sources(tumblesquash PRIVATE windows/program.cpp
                                    ${TS_GEN_DIR}/tumblesquash.rc)
set_source_files_properties(${TS_GEN_DIR}/tumblesquash.rc PROPERTIES
  OBJECT_DEPENDS "${TS_WINDOWS_ICON};${TS_WINDOWS_MANIFEST}")
set_target_properties(tumblesquash PROPERTIES WIN32_EXECUTABLE ON)
# The command line in UTF-16, for the program's own entry.
target_link_libraries(tumblesquash PRIVATE shell32)

# The run folder is the game as a player gets it: the program with its
# pictures beside it (drawn by the native build).
set(copied)
foreach(picture ${TS_PICTURES})
  add_custom_command(
    OUTPUT ${TS_RUN_DIR}/${picture}
    COMMAND ${CMAKE_COMMAND} -E copy ${TS_HOST_BUILD}/run/${picture}
            ${TS_RUN_DIR}/${picture}
    DEPENDS ${TS_HOST_BUILD}/run/${picture}
    VERBATIM)
  list(APPEND copied ${TS_RUN_DIR}/${picture})
endforeach()
add_custom_target(ts_windows_pictures ALL DEPENDS ${copied})
add_dependencies(tumblesquash ts_windows_pictures)
