# SPDX-License-Identifier: MIT
# What "cmake --install" puts where.
include(GNUInstallDirs)

if(WIN32)
  # The program, the curses.dll it loads and the read-me side by side in
  # one folder; the DLL's import library is of no use to a player.
  install(TARGETS wriggle RUNTIME DESTINATION .)
  install(TARGETS curses RUNTIME DESTINATION . ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
  # The read-me and the licence with Windows line ends, for any editor.
  configure_file(packaging/README-windows.txt README-windows.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README-windows.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt DESTINATION .)
  return()
endif()

# Compresses a file as Debian and man-db expect (gzip -9) into the build
# tree, without name and time stamp (-n), for reproducible packages; without
# gzip it stays as it is. The name of the file to install goes in out_var.
function(wriggle_gzip target source name out_var)
  find_program(WRIGGLE_GZIP gzip)
  if(NOT WRIGGLE_GZIP)
    set(${out_var} ${source} PARENT_SCOPE)
    return()
  endif()
  set(gz ${PROJECT_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${gz} DEPENDS ${source} COMMENT "Compressing ${name}" VERBATIM
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/compressed
    COMMAND ${WRIGGLE_GZIP} -9 -n -c ${source} > ${gz})
  add_custom_target(${target} ALL DEPENDS ${gz})
  set(${out_var} ${gz} PARENT_SCOPE)
endfunction()

# Installs the program into `dir`; when the install strips (--strip, cpack),
# the compiler's notes (.comment, .note) go too, as with Debian's dh_strip.
function(wriggle_install_program dir)
  install(TARGETS wriggle RUNTIME DESTINATION ${dir} ${ARGN})
  if(CMAKE_STRIP)
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${dir}/$<TARGET_FILE_NAME:wriggle>\")
      endif()" ${ARGN})
  endif()
endfunction()

# The game goes to bin, on every user's PATH (games is missing from root's
# on Debian and from every PATH on many systems); the Debian package has
# its own copy in games (packaging.cmake).
wriggle_install_program(${CMAKE_INSTALL_BINDIR} COMPONENT program)

wriggle_gzip(manpage ${PROJECT_SOURCE_DIR}/man/wriggle.6 wriggle.6 manpage_file)
install(FILES ${manpage_file} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT data)

# The licence, the read-me and the changelog as they are, for any system;
# the Debian package has them the Debian way instead (packaging.cmake).
install(FILES LICENSE README.md CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT doc)
