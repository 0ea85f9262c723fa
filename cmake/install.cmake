# SPDX-License-Identifier: MIT
# What "cmake --install" puts where.
include(GNUInstallDirs)

if(WIN32)
  # The Windows build is unpacked into a folder of its own and run from
  # there: the program, the curses.dll it loads and the read-me sit side by
  # side. The DLL's import library is of no use to a player.
  install(TARGETS wriggle RUNTIME DESTINATION .)
  install(TARGETS curses RUNTIME DESTINATION . ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
  # The read-me with Windows line ends, for any Windows text editor.
  configure_file(packaging/README-windows.txt README-windows.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README-windows.txt DESTINATION .)
  return()
endif()

# The game goes to bin, not games: GNUInstallDirs has no directory for games,
# bin is on every user's PATH (games is missing from root's PATH on Debian
# and from every PATH on many other systems), and wriggle is a program users
# type by name. Set CMAKE_INSTALL_BINDIR=games to follow the Debian habit.
install(TARGETS wriggle RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages are installed compressed, as man-db expects them; gzip -n
# leaves out the time stamp, so the same page always makes the same file.
set(WRIGGLE_MANPAGE ${PROJECT_SOURCE_DIR}/man/wriggle.6)
find_program(WRIGGLE_GZIP gzip)
if(WRIGGLE_GZIP)
  set(WRIGGLE_MANPAGE_GZ ${PROJECT_BINARY_DIR}/man/wriggle.6.gz)
  add_custom_command(
    OUTPUT ${WRIGGLE_MANPAGE_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${WRIGGLE_GZIP} -9 -n -c ${WRIGGLE_MANPAGE} > ${WRIGGLE_MANPAGE_GZ}
    DEPENDS ${WRIGGLE_MANPAGE}
    COMMENT "Compressing the manual page"
    VERBATIM)
  add_custom_target(manpage ALL DEPENDS ${WRIGGLE_MANPAGE_GZ})
  install(FILES ${WRIGGLE_MANPAGE_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
else()
  install(FILES ${WRIGGLE_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endif()
