# Read by CPack for each generator: the installer is gorvath-VERSION-setup.exe.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "gorvath-${CPACK_PACKAGE_VERSION}-setup")
endif()
