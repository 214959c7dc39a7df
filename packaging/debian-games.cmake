# Run by cpack before it packs: Debian keeps the programs of games in /usr/games (on every user's PATH), and
# strips from the program and its window module the compiler's notes that CPack's stripping leaves
# (lintian's binary-has-unneeded-section).
set(usr "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr")
if(EXISTS "${usr}/bin/gorvath")
  file(MAKE_DIRECTORY "${usr}/games")
  file(RENAME "${usr}/bin/gorvath" "${usr}/games/gorvath")
  if(CPACK_GORVATH_STRIP)
    execute_process(COMMAND "${CPACK_GORVATH_STRIP}" --remove-section=.comment "${usr}/games/gorvath"
      "${usr}/lib/gorvath/gorvath-window.so" COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(REMOVE_RECURSE "${usr}/bin")
endif()
