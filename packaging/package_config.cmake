# Read by cpack once per generator. The .deb takes the game's files (component
# game) and the program installed in /usr/games (component debian_program);
# the archive is the plain install, with the program in bin/.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_TALLOWFEN_BUILD_DIR};Tallowfen;game;/"
                                   "${CPACK_TALLOWFEN_BUILD_DIR};Tallowfen;debian_program;/")
endif()
