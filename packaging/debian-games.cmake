# Run by cpack before it packs: Debian keeps the programs of games in /usr/games (on every user's PATH).
set(usr "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr")
if(EXISTS "${usr}/bin/gorvath")
  file(MAKE_DIRECTORY "${usr}/games")
  file(RENAME "${usr}/bin/gorvath" "${usr}/games/gorvath")
  file(REMOVE_RECURSE "${usr}/bin")
endif()
