# SPDX-License-Identifier: MIT
# What the tests and the benchmarks need beyond the game itself, looked for
# before any target uses it: a missing one stops the configuration with the
# package to install and the switch that does without it.
function(wriggle_missing what packages switch)
  message(FATAL_ERROR "${what} was not found.\n"
    "Install it (Debian and Ubuntu: ${packages}), or configure with ${switch} to build without it.")
endfunction()

# The harness serves the tests and the benchmarks: doing without it means both.
set(harness_off "-DBUILD_TESTING=OFF -DWRIGGLE_BENCH=OFF")

# The terminal harness: the programs in a pseudo-terminal, read by libvterm.
# A cross build has its program played by a native build's harness.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(PkgConfig QUIET)
  if(NOT PKG_CONFIG_FOUND)
    wriggle_missing("pkg-config (to find libvterm)" "pkg-config; Fedora: pkgconf; Arch: pkgconf" "${harness_off}")
  endif()
  pkg_check_modules(VTERM QUIET IMPORTED_TARGET vterm)
  if(NOT VTERM_FOUND)
    wriggle_missing("libvterm" "libvterm-dev; Fedora: libvterm-devel; Arch: libvterm" "${harness_off}")
  endif()
endif()

if(BUILD_TESTING)
  # An installed GoogleTest serves only builds with the C++ library it was
  # built with: for another (libc++), build it here from its sources.
  set(WRIGGLE_GTEST_SOURCE "" CACHE PATH "GoogleTest's sources to build the tests with (/usr/src/googletest)")
  if(WRIGGLE_GTEST_SOURCE)
    set(BUILD_GMOCK OFF)
    set(INSTALL_GTEST OFF)
    add_subdirectory(${WRIGGLE_GTEST_SOURCE} googletest EXCLUDE_FROM_ALL)
  else()
    find_package(GTest QUIET)
    if(NOT GTest_FOUND AND NOT GTEST_FOUND)
      wriggle_missing("GoogleTest" "libgtest-dev; Fedora: gtest-devel; Arch: gtest" "-DBUILD_TESTING=OFF")
    endif()
  endif()
  # CMake before 3.20 calls the main library GTest::Main.
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest_main INTERFACE IMPORTED)
    set_target_properties(GTest::gtest_main PROPERTIES INTERFACE_LINK_LIBRARIES GTest::Main)
  endif()

  # The memcheck tests, two long scenarios under Valgrind: AUTO runs them
  # where it is found, ON insists on them, OFF skips them; skipped, they say why.
  set(WRIGGLE_MEMCHECK AUTO CACHE STRING "Run scenarios under Valgrind's memcheck: AUTO, ON or OFF")
  set_property(CACHE WRIGGLE_MEMCHECK PROPERTY STRINGS AUTO ON OFF)
  set(WRIGGLE_RUN_MEMCHECK OFF)
  set(WRIGGLE_NO_MEMCHECK "skipped: configured with -DWRIGGLE_MEMCHECK=OFF")
  if(CMAKE_CROSSCOMPILING)
    set(WRIGGLE_NO_MEMCHECK "skipped: this machine's Valgrind cannot run a program built for another")
  elseif(WRIGGLE_MEMCHECK)
    find_program(VALGRIND valgrind)
    if(VALGRIND)
      set(WRIGGLE_RUN_MEMCHECK ON)
    elseif(WRIGGLE_MEMCHECK STREQUAL "AUTO")
      set(WRIGGLE_NO_MEMCHECK "skipped: Valgrind was not found when the build was configured; install valgrind and configure again")
      message(STATUS "Valgrind was not found: the memcheck tests will report themselves skipped.")
    else()
      wriggle_missing("Valgrind" "valgrind; Fedora, Arch: valgrind" "-DWRIGGLE_MEMCHECK=OFF")
    endif()
  endif()
endif()

if(WRIGGLE_BENCH)
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    wriggle_missing("Google Benchmark" "libbenchmark-dev; Fedora: google-benchmark-devel; Arch: benchmark"
      "-DWRIGGLE_BENCH=OFF")
  endif()
endif()
