# The Windows version's packages (the Windows build only), both named with
# the version:
#   windows_zip        TumbleSquash-<version>-windows-x64.zip: the program,
#                      its pictures, a read-me and a Score.dat that keeps the
#                      folder portable (the scores stay beside the game)
#   windows_installer  TumbleSquash-<version>-setup.exe, made by NSIS
#                      (data/windows/installer.nsi)
# Both are made from one staged folder, package/TumbleSquash-<version>/,
# whose program has its symbols stripped.
set(win_data ${CMAKE_SOURCE_DIR}/data/windows)
set(package_name TumbleSquash-${PROJECT_VERSION})
set(stage ${CMAKE_BINARY_DIR}/package/${package_name})
set(TS_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/${package_name}-windows-x64.zip)
set(TS_WINDOWS_INSTALLER ${CMAKE_BINARY_DIR}/${package_name}-setup.exe)

# The read-me as Notepad wants it.
configure_file(${win_data}/README.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY
               NEWLINE_STYLE CRLF)

set(staged_pictures)
set(staged_files ${stage}/tumblesquash.exe ${stage}/README.txt)
foreach(picture ${TS_PICTURES})
  list(APPEND staged_pictures ${TS_RUN_DIR}/${picture})
  list(APPEND staged_files ${stage}/${picture})
endforeach()
# Every file dated the same (the release date), so that the same sources
# make the same zip. Back-dated files say nothing of when they were staged:
# a stamp of the staging's own time is what the packages are remade after.
set(staged ${CMAKE_BINARY_DIR}/package/staged.stamp)
add_custom_command(
  OUTPUT ${staged}
  BYPRODUCTS ${staged_files}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
  # (strip would write the time of day into the program's header.)
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
          ${CMAKE_STRIP} -o ${stage}/tumblesquash.exe
          $<TARGET_FILE:tumblesquash>
  COMMAND ${CMAKE_COMMAND} -E copy ${staged_pictures}
          ${CMAKE_BINARY_DIR}/README.txt ${stage}
  COMMAND touch -d "${TS_RELEASE_DATE} 12:00:00Z" ${stage} ${staged_files}
  COMMAND ${CMAKE_COMMAND} -E touch ${staged}
  DEPENDS tumblesquash ts_windows_pictures ${staged_pictures}
          ${CMAKE_BINARY_DIR}/README.txt
  COMMENT "Staging the Windows packages' files"
  VERBATIM)

add_custom_command(
  OUTPUT ${TS_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${TS_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E copy ${win_data}/Score.dat ${stage}/Score.dat
  COMMAND touch -d "${TS_RELEASE_DATE} 12:00:00Z" ${stage}/Score.dat ${stage}
  COMMAND zip -q -X -9 -r ${TS_WINDOWS_ZIP} ${package_name}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${stage}/Score.dat
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/package
  DEPENDS ${staged} ${win_data}/Score.dat
  COMMENT "Packing ${package_name}-windows-x64.zip"
  VERBATIM)
add_custom_target(windows_zip DEPENDS ${TS_WINDOWS_ZIP})

find_program(TS_MAKENSIS makensis)
add_custom_command(
  OUTPUT ${TS_WINDOWS_INSTALLER}
  COMMAND ${TS_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION}
          -DVERSION4=${PROJECT_VERSION}.0 -DSTAGE=${stage}
          -DICON=${TS_HOST_BUILD}/gen/tumblesquash.ico
          -DOUTFILE=${TS_WINDOWS_INSTALLER} ${win_data}/installer.nsi
  DEPENDS ${staged} ${win_data}/installer.nsi
          ${TS_HOST_BUILD}/gen/tumblesquash.ico
  COMMENT "Making ${package_name}-setup.exe"
  VERBATIM)
add_custom_target(windows_installer DEPENDS ${TS_WINDOWS_INSTALLER})
