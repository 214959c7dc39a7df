# What `cmake --install` puts where, and the Debian package `cpack -G DEB` makes of it.
include(GNUInstallDirs)
set(PKG_OUT ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${PKG_OUT})

configure_file(${CMAKE_SOURCE_DIR}/packaging/gorvath.desktop.in ${PKG_OUT}/${GORVATH_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/gorvath.metainfo.xml.in ${PKG_OUT}/${GORVATH_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/gorvath.6.in ${PKG_OUT}/gorvath.6 @ONLY)

# The icon theme's sizes, drawn by artgen from the tank; the manual page and changelog compressed as
# Debian wants them (no time stamp, so the same build gives the same bytes).
set(ICON_SIZES 16 32 48 64 128 256)
set(PKG_FILES ${PKG_OUT}/gorvath.6.gz ${PKG_OUT}/changelog.gz)
foreach(size ${ICON_SIZES})
  set(png ${PKG_OUT}/icons/${size}/${GORVATH_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PKG_OUT}/icons/${size}
    COMMAND artgen --icon ${size} ${png}
    DEPENDS artgen
    COMMENT "Drawing the ${size} px icon")
  list(APPEND PKG_FILES ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_command(OUTPUT ${PKG_OUT}/gorvath.6.gz
  COMMAND gzip -9n -c ${PKG_OUT}/gorvath.6 > ${PKG_OUT}/gorvath.6.gz
  DEPENDS ${PKG_OUT}/gorvath.6)
add_custom_command(OUTPUT ${PKG_OUT}/changelog.gz
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${PKG_OUT}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
add_custom_target(packaging_files ALL DEPENDS ${PKG_FILES})

install(TARGETS gorvath RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS gorvath_window LIBRARY DESTINATION ${GORVATH_MODULE_DIR})
install(FILES ${PKG_OUT}/${GORVATH_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PKG_OUT}/${GORVATH_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PKG_OUT}/gorvath.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${PKG_OUT}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The relay for friends behind routers that let nothing in (see the README and the man page).
install(FILES ${CMAKE_SOURCE_DIR}/packaging/turnserver.conf DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

set(CPACK_PACKAGE_NAME gorvath)
set(CPACK_PACKAGE_VENDOR "The Gorvath makers")
set(CPACK_PACKAGE_CONTACT "The Gorvath makers <makers@velmoran.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "Two tanks on a random hilly battlefield take turns setting force and angle
 and firing a shell that flies under gravity, drag and wind. Play against a
 friend at one computer, against the computer, or over the network.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The packaged program is stripped as Debian strips it: no debugging symbols, no compiler's .comment.
set(CPACK_STRIP_FILES ON)
set(CPACK_GORVATH_STRIP "${CMAKE_STRIP}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# The dependencies come from the shared libraries the program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/packaging/debian-games.cmake)
include(CPack)
