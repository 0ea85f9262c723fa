# SPDX-License-Identifier: MIT
# The copyright holder, year and licence terms, read from LICENSE alone, so
# that the Windows resources (desktop.cmake) and the Debian copyright file
# (packaging.cmake) cannot drift apart from it.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
if(NOT license MATCHES "\nCopyright \\(c\\) ([0-9]+) ([^\n]+)\n\n(.+)")
  message(FATAL_ERROR "LICENSE has no line \"Copyright (c) YEAR HOLDER\" followed by a blank line and the terms")
endif()
set(WRIGGLE_COPYRIGHT_YEAR ${CMAKE_MATCH_1})
set(WRIGGLE_COPYRIGHT_HOLDER "${CMAKE_MATCH_2}")
string(STRIP "${CMAKE_MATCH_3}" WRIGGLE_LICENSE_TERMS)
