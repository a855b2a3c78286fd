# `cmake --install`: the program, its pictures, the desktop entry, the
# AppStream metainfo, the theme icons and the manual page; `cpack -G DEB`
# packs the same files.
set(TS_DATA_OUT ${TS_GEN_DIR}/data)
file(MAKE_DIRECTORY ${TS_DATA_OUT})
configure_file(${CMAKE_SOURCE_DIR}/data/tumblesquash.desktop.in
               ${TS_DATA_OUT}/${TS_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/tumblesquash.metainfo.xml.in
               ${TS_DATA_OUT}/${TS_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/tumblesquash.6.in
               ${TS_DATA_OUT}/tumblesquash.6 @ONLY)
# Manual pages are installed compressed; -n keeps the bytes the same from
# one build to the next.
add_custom_command(
  OUTPUT ${TS_DATA_OUT}/tumblesquash.6.gz
  COMMAND gzip -9nkf ${TS_DATA_OUT}/tumblesquash.6
  DEPENDS ${TS_DATA_OUT}/tumblesquash.6
  VERBATIM)
add_custom_target(ts_manual ALL DEPENDS ${TS_DATA_OUT}/tumblesquash.6.gz)

install(TARGETS tumblesquash RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
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
install(FILES ${TS_DATA_OUT}/tumblesquash.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# A Debian package. Its files go under /usr whatever the build's own
# prefix: the program finds its pictures relative to itself as well.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tumblesquash)
set(CPACK_PACKAGE_VENDOR "The TumbleSquash developers")
set(CPACK_PACKAGE_CONTACT
    "The TumbleSquash developers <maintainers@tumblesquash.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mouse shooting gallery")
set(CPACK_PACKAGE_DESCRIPTION
    "A hundred critters hop and fly in from beyond the edges of a 640 x 480,\n\
256-colour screen, ten at a time. Aim, click, catch several in one shot for\n\
a combo, and put your score in the table of ten.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The run-time libraries, found by dpkg-shlibdeps from what the program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
