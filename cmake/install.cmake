# `cmake --install`: the program, its pictures, the desktop entry, the
# AppStream metainfo and its screenshots, the theme icons, the manual page,
# the copyright and the changelog; `cpack -G DEB` packs the same files.
set(TS_DATA_OUT ${TS_GEN_DIR}/data)
file(MAKE_DIRECTORY ${TS_DATA_OUT})
# Modes as Debian wants them, whatever the umask of whoever builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
    WORLD_EXECUTE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
configure_file(${CMAKE_SOURCE_DIR}/data/copyright.in ${TS_DATA_OUT}/copyright
               @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/changelog.in ${TS_DATA_OUT}/changelog
               @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/tumblesquash.desktop.in
               ${TS_DATA_OUT}/${TS_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/tumblesquash.metainfo.xml.in
               ${TS_DATA_OUT}/${TS_APP_ID}.metainfo.xml @ONLY)
# The manual page: the template, its lists of keys and options filled in
# from the program's own (the ones --help prints).
configure_file(${CMAKE_SOURCE_DIR}/data/tumblesquash.6.in
               ${TS_DATA_OUT}/tumblesquash.6.template @ONLY)
add_custom_command(
  OUTPUT ${TS_DATA_OUT}/changelog.gz
  COMMAND gzip -9nkf ${TS_DATA_OUT}/changelog
  DEPENDS ${TS_DATA_OUT}/changelog
  VERBATIM)
set(compressed ${TS_DATA_OUT}/changelog.gz)
# (The manual page and the screenshots are made by programs of this build,
# so only where they run: not when cross-compiling.)
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(ts_manpage ${CMAKE_SOURCE_DIR}/tools/manpage/manpage.cpp
                            ${CMAKE_SOURCE_DIR}/src/platform/system/usage.cpp)
  target_include_directories(ts_manpage PRIVATE ${CMAKE_SOURCE_DIR}/src)
  add_custom_command(
    OUTPUT ${TS_DATA_OUT}/tumblesquash.6
    COMMAND ts_manpage ${TS_DATA_OUT}/tumblesquash.6.template
            ${TS_DATA_OUT}/tumblesquash.6
    DEPENDS ts_manpage ${TS_DATA_OUT}/tumblesquash.6.template
    VERBATIM)
  # Manual pages are installed compressed (-n: the same bytes from one
  # build to the next).
  add_custom_command(
    OUTPUT ${TS_DATA_OUT}/tumblesquash.6.gz
    COMMAND gzip -9nkf ${TS_DATA_OUT}/tumblesquash.6
    DEPENDS ${TS_DATA_OUT}/tumblesquash.6
    VERBATIM)
  list(APPEND compressed ${TS_DATA_OUT}/tumblesquash.6.gz)

  # The metainfo's screenshots: the recorded whole game, played headless.
  set(TS_SCREENSHOTS title.png play.png result.png)
  set(shots)
  foreach(shot 2300:title.png 900:play.png 1840:result.png)
    list(APPEND shots --shot ${shot})
  endforeach()
  list(TRANSFORM TS_SCREENSHOTS PREPEND ${TS_DATA_OUT}/screenshots/
       OUTPUT_VARIABLE screenshot_files)
  add_custom_command(
    OUTPUT ${screenshot_files}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TS_DATA_OUT}/screenshots
    COMMAND ${CMAKE_COMMAND} -E rm -f Score.dat
    COMMAND tumblesquash --headless --seed 11 --frames 2300 --input
            ${CMAKE_SOURCE_DIR}/tests/golden/game.script --data ${TS_RUN_DIR}
            ${shots}
    WORKING_DIRECTORY ${TS_DATA_OUT}/screenshots
    DEPENDS tumblesquash ts_assets ${CMAKE_SOURCE_DIR}/tests/golden/game.script
    COMMENT "Taking the metainfo's screenshots"
    VERBATIM)
  add_custom_target(ts_screenshots ALL DEPENDS ${screenshot_files})
endif()
add_custom_target(ts_manual ALL DEPENDS ${compressed})

install(TARGETS tumblesquash RUNTIME DESTINATION ${TS_GAMES_DIR})
# Stripped as Debian's packages are: no symbols, no compiler's notes.
install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded
  --remove-section=.comment --remove-section=.note
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${TS_GAMES_DIR}/tumblesquash\")")
install(FILES ${TS_DATA_OUT}/copyright ${TS_DATA_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tumblesquash)
if(NOT CMAKE_CROSSCOMPILING)
  install(FILES ${screenshot_files}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/tumblesquash/screenshots)
  install(FILES ${TS_DATA_OUT}/tumblesquash.6.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endif()
list(TRANSFORM TS_PICTURES PREPEND ${TS_RUN_DIR}/ OUTPUT_VARIABLE pictures)
install(FILES ${pictures} DESTINATION ${CMAKE_INSTALL_DATADIR}/tumblesquash)
install(FILES ${TS_DATA_OUT}/${TS_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TS_DATA_OUT}/${TS_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${TS_ICON_SIZES})
  install(FILES ${TS_GEN_DIR}/icons/tumblesquash-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${TS_APP_ID}.png)
endforeach()

# A Debian package. Its files go under /usr whatever the build's own
# prefix: the program finds its pictures relative to itself as well.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tumblesquash)
set(CPACK_PACKAGE_VENDOR "The TumbleSquash developers")
set(CPACK_PACKAGE_CONTACT "${TS_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mouse shooting gallery")
set(CPACK_PACKAGE_DESCRIPTION
    "A hundred critters hop and fly in from beyond the edges of a 640 x 480,\n\
256-colour screen, ten at a time. Aim, click, catch several in one shot for\n\
a combo, and put your score in the table of ten.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES OFF)  # done by the install step above
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The run-time libraries, found by dpkg-shlibdeps from what the program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
