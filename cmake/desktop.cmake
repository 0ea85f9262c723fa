# SPDX-License-Identifier: MIT
# The game at home on the desktop. On Linux: a menu entry, which opens the
# game in a terminal, and the icon in the hicolor theme, where every icon
# theme falls back to. On Windows: the icon, the version information and a
# manifest compiled into the programs.
# The icon's drawings and renders are in packaging/icons
# (scripts/render-icons makes the renders).
set(icons ${PROJECT_SOURCE_DIR}/packaging/icons)

if(NOT WIN32)
  include(GNUInstallDirs)
  # In "data", which a plain install and the Debian package both get.
  install(FILES packaging/wriggle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT data)
  install(FILES ${icons}/wriggle.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    COMPONENT data)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${icons}/wriggle-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME wriggle.png COMPONENT data)
  endforeach()
endif()
