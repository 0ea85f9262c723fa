# SPDX-License-Identifier: MIT
# The time the packages give their files and the Debian changelog its date,
# so that the same sources always make the same packages: SOURCE_DATE_EPOCH
# when the builder sets it (https://reproducible-builds.org/specs/
# source-date-epoch/), else the time of the last commit of a git checkout.
# Read by the build (packaging.cmake) and by cpack (cpack-checks.cmake);
# both put the time into their own SOURCE_DATE_EPOCH, which CMake's
# time stamps and CPack's archives follow.
function(wriggle_source_date_epoch source_dir)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    return()
  endif()
  find_program(WRIGGLE_GIT git)
  if(NOT WRIGGLE_GIT OR NOT EXISTS ${source_dir}/.git)
    return()
  endif()
  execute_process(COMMAND ${WRIGGLE_GIT} -C ${source_dir} log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed AND epoch MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
  endif()
endfunction()
