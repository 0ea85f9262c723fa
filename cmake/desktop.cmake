# SPDX-License-Identifier: MIT
# The game at home on the desktop. On Linux: a menu entry, which opens the
# game in a terminal, and the icon in the hicolor theme, where every icon
# theme falls back to. On Windows: the icon, the version information and a
# manifest compiled into the programs. scripts/render-icons makes the icon.
set(icons ${PROJECT_SOURCE_DIR}/packaging/icons)

if(NOT WIN32)
  # In "data", which a plain install and the Debian package both get.
  install(FILES packaging/wriggle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT data)
  install(FILES ${icons}/wriggle.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    COMPONENT data)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${icons}/wriggle-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME wriggle.png COMPONENT data)
  endforeach()
  return()
endif()

# windres compiles the resources (the RC language, enabled in the top
# CMakeLists.txt). Windows versions have four numbers: 1.1.0 is 1.1.0.0.
string(REPLACE "." ";" numbers "${PROJECT_VERSION}.0.0.0")
list(SUBLIST numbers 0 4 numbers)
string(REPLACE ";" "." WRIGGLE_MANIFEST_VERSION "${numbers}")
string(REPLACE ";" "," WRIGGLE_RC_VERSION "${numbers}")

# The copyright as LICENSE has it (license.cmake).
set(WRIGGLE_LEGAL_COPYRIGHT
  "Copyright (c) ${WRIGGLE_COPYRIGHT_YEAR} ${WRIGGLE_COPYRIGHT_HOLDER}. Free software under the MIT licence.")

set(resources ${PROJECT_BINARY_DIR}/resources)
set(WRIGGLE_ICON ${icons}/wriggle.ico)
set(WRIGGLE_MANIFEST ${resources}/wriggle-win.manifest)
configure_file(src/wriggle-win.manifest.in ${WRIGGLE_MANIFEST} @ONLY)
# A new icon or manifest changes the resource script (see there), and a new
# icon configures the build again to notice.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${WRIGGLE_ICON})
file(SHA256 ${WRIGGLE_ICON} WRIGGLE_ICON_SHA256)
file(SHA256 ${WRIGGLE_MANIFEST} WRIGGLE_MANIFEST_SHA256)
configure_file(src/wriggle-win.rc.in ${resources}/wriggle-win.rc @ONLY)
configure_file(wincurses/curses.rc.in ${resources}/curses.rc @ONLY)
target_sources(wriggle PRIVATE ${resources}/wriggle-win.rc)
target_sources(curses PRIVATE ${resources}/curses.rc)
