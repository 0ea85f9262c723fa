# SPDX-License-Identifier: MIT
# Read by cpack for each package it makes (CPACK_PROJECT_CONFIG_FILE).
# Without dpkg-shlibdeps CPack would make the Debian package with no Depends.
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_DEBIAN_PACKAGE_SHLIBDEPS)
  find_program(WRIGGLE_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT WRIGGLE_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps (package dpkg-dev) is needed to compute the package's Depends")
  endif()
endif()

# The files in the packages carry the sources' time, as packaging.cmake
# took it, unless cpack is given a SOURCE_DATE_EPOCH of its own.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND CPACK_WRIGGLE_SOURCE_DATE_EPOCH)
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_WRIGGLE_SOURCE_DATE_EPOCH})
endif()
