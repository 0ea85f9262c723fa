# SPDX-License-Identifier: MIT
# Run by cpack on each package it has made (CPACK_POST_BUILD_SCRIPTS). CPack
# gives the Debian package's members the modes of the builder's umask, and
# the zip's entries the file system's order and the builder's time zone.
# strip-nondeterminism (Debian's tool for this) gives every member the same
# mode, owner and time and sorts the zip's entries.
find_program(WRIGGLE_STRIP_NONDETERMINISM strip-nondeterminism)
if(NOT WRIGGLE_STRIP_NONDETERMINISM)
  message(WARNING "strip-nondeterminism was not found: the packages are not reproducible")
  return()
endif()
set(time "")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(time --timestamp $ENV{SOURCE_DATE_EPOCH})
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.deb$")
    set(type ar)
  elseif(package MATCHES "\\.zip$")
    set(type zip)
  else()
    continue()
  endif()
  execute_process(COMMAND ${WRIGGLE_STRIP_NONDETERMINISM} --normalizers +${type} --type ${type} ${time} ${package}
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "strip-nondeterminism failed on ${package}")
  endif()
endforeach()
