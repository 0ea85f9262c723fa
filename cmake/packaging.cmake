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

# The same sources make the same packages, byte for byte: their files and the
# Debian changelog carry the sources' time (SOURCE_DATE_EPOCH, else the last
# commit's), handed to cpack (cpack-checks.cmake); folders get set modes, and
# cpack-normalise.cmake does the rest once the package is made.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed AND epoch MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
  endif()
endif()
set(CPACK_WRIGGLE_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-checks.cmake)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack-normalise.cmake)
if(CMAKE_VERSION VERSION_LESS 3.19)
  # A note, not a warning: most who build the game never package it.
  message(STATUS "CMake ${CMAKE_VERSION} runs no scripts after packaging (3.19 does): "
    "packages made with it are not reproducible")
endif()

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME wriggle-${PROJECT_VERSION}-win64)
  # The program, curses.dll and the read-me at the top of the zip.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(CPack)
  return()
endif()

# Only the Debian package's, in the component "debian": the program in
# /usr/games (Debian's policy for games), the Debian forms of the changelog
# and the licence, and the packaging's own changelog.
wriggle_install_program(games COMPONENT debian EXCLUDE_FROM_ALL)
wriggle_gzip(changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog changelog_file)

# The licence in Debian's machine-readable form (DEP-5), which calls it
# Expat; its text indented, with "." for each blank line.
string(REPLACE "\n\n" "\n.\n" terms "${WRIGGLE_LICENSE_TERMS}")
string(REPLACE "\n" "\n " terms " ${terms}")
string(CONCAT copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: wriggle\n"
  "Upstream-Contact: ${CPACK_PACKAGE_CONTACT}\n"
  "\n"
  "Files: *\n"
  "Copyright: ${WRIGGLE_COPYRIGHT_YEAR} ${WRIGGLE_COPYRIGHT_HOLDER}\n"
  "License: Expat\n"
  "Comment: SPDX calls this licence MIT.\n"
  "\n"
  "License: Expat\n"
  "${terms}\n")
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/copyright CONTENT "${copyright}")

# Plainly this project's package, not a distribution's: its revision sorts
# below any distribution's (1.1.0-0~upstream1 < 1.1.0-1), so that apt
# replaces it with a distribution's package of the release, and its
# changelog names no distribution's suite. Its one entry is dated by the
# sources' time (CMake's time stamps follow SOURCE_DATE_EPOCH).
set(CPACK_DEBIAN_PACKAGE_RELEASE 0~upstream1)
set(distribution upstream)
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md changes)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
string(REPLACE "." "\\." version_pattern "${PROJECT_VERSION}")
if(NOT changes MATCHES "\n## \\[${version_pattern}\\] - [0-9]")
  message(WARNING "CHANGELOG.md has no dated section for ${PROJECT_VERSION}: the package is marked UNRELEASED")
  set(distribution UNRELEASED)
endif()
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(CONCAT debian_changelog
  "wriggle (${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}) ${distribution}; urgency=medium\n"
  "\n"
  "  * Package of wriggle ${PROJECT_VERSION} made by the project's own build\n"
  "    (CPack) from the release's sources, not by a distribution: any\n"
  "    distribution's package of ${PROJECT_VERSION} replaces it. The release's\n"
  "    changes are in changelog.gz.\n"
  "\n"
  " -- ${CPACK_PACKAGE_CONTACT}  ${date}\n")
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/changelog.Debian CONTENT "${debian_changelog}")
wriggle_gzip(debian_changelog ${PROJECT_BINARY_DIR}/changelog.Debian changelog.Debian debian_changelog_file)
install(FILES ${changelog_file} ${PROJECT_BINARY_DIR}/copyright ${debian_changelog_file}
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
# One package of the component "debian" and the files every install gets.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL debian data)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends as dpkg-shlibdeps finds them in the program that was linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# wriggle_<version>-<revision>_<arch>.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
