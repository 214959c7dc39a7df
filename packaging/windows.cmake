# The Windows program as it is handed out: a zip to unpack anywhere, and an installer (NSIS) with a
# Start-menu entry and an uninstaller. Both hold the program (SDL and every library linked in), a README
# and the licence texts of Gorvath and of what is built into it.
install(TARGETS gorvath RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION licenses RENAME Gorvath.txt)
# scripts/windows leaves each library's licence under its prefix's share/licenses.
if(GORVATH_WINDOWS_PREFIX AND EXISTS ${GORVATH_WINDOWS_PREFIX}/share/licenses)
  install(DIRECTORY ${GORVATH_WINDOWS_PREFIX}/share/licenses/ DESTINATION licenses)
endif()
foreach(doc fonts-liberation2 libasio-dev)
  if(EXISTS /usr/share/doc/${doc}/copyright)
    install(FILES /usr/share/doc/${doc}/copyright DESTINATION licenses RENAME ${doc}.txt)
  endif()
endforeach()

set(CPACK_PACKAGE_NAME gorvath)
set(CPACK_PACKAGE_VENDOR "The Gorvath makers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Gorvath)
set(CPACK_PACKAGE_EXECUTABLES gorvath Gorvath)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_FILE_NAME gorvath-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_NSIS_PACKAGE_NAME Gorvath)
set(CPACK_NSIS_DISPLAY_NAME Gorvath)
set(CPACK_NSIS_INSTALLED_ICON_NAME gorvath.exe)
set(CPACK_NSIS_URL_INFO_ABOUT "${PROJECT_HOMEPAGE_URL}")
# A 64-bit installer for a 64-bit program, into the 64-bit Program Files.
# (CPack has no setting for NSIS's target: it follows the compressor's line of the script.)
set(CPACK_NSIS_COMPRESSOR "lzma\n  Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# The installer's file name differs from the zip's.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/packaging/windows/cpack-names.cmake)
include(CPack)
