# SPDX-License-Identifier: MIT
# "cpack" in a build tree: a Debian package on Linux, a zip on Windows.
set(CPACK_PACKAGE_NAME wriggle)
set(CPACK_PACKAGE_VENDOR "wriggle developers")
set(CPACK_PACKAGE_CONTACT "wriggle developers <dev@wriggle.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines kept short: Debian shows the description as it is written.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Steer a snake with the arrow keys across a walled field and eat the\n"
  "digits 1 to 9 and then 0 as they appear. Each digit makes the snake\n"
  "longer; running into the wall or into the snake itself costs one of\n"
  "five lives. Needs a terminal of at least 80 columns by 24 rows.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME wriggle-${PROJECT_VERSION}-win64)
  # The program, curses.dll and the read-me at the top of the zip.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The dependencies (libc, ncurses, ...) as dpkg-shlibdeps finds them in
  # the program, so they match the libraries the build linked against.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # wriggle_<version>_<arch>.deb
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
endif()

include(CPack)
