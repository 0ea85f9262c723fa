# SPDX-License-Identifier: MIT
# The hardening Debian builds its packages with (dpkg-buildflags with
# hardening=+all), for every build of the game: bounds-checked libc calls,
# stack protection, a read-only relocation table bound at start-up, and a
# position-independent program for address-space randomisation. The mingw-w64
# build of the Windows programs takes what applies to Windows programs.
option(WRIGGLE_HARDENING "Build with the compiler's and linker's hardening flags" ON)
if(NOT WRIGGLE_HARDENING OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  return()
endif()

include(CheckCXXCompilerFlag)
include(CheckPIESupported)

# Fortified libc calls need optimisation (glibc warns without it, which
# -Werror makes fatal in a debug build). A packager's own choice in the flags
# stays; -U first keeps a compiler that fortifies by itself from warning
# about the definition being changed.
if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE> $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
endif()

# mingw-w64 provides the stack protector in libssp, which the compiler
# driver links when the flag is also given at link time.
add_compile_options(-fstack-protector-strong)
add_link_options(-fstack-protector-strong)

if(WIN32)
  # Address-space randomisation (also for addresses above 4 GiB) and
  # non-executable data, recorded in the PE header for Windows to apply.
  add_link_options(LINKER:--dynamicbase LINKER:--high-entropy-va LINKER:--nxcompat)
  return()
endif()

foreach(flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "WRIGGLE_HAS${flag}" has_flag)
  check_cxx_compiler_flag(${flag} ${has_flag})
  if(${has_flag})
    add_compile_options(${flag})
  endif()
endforeach()

add_link_options(LINKER:-z,relro LINKER:-z,now)

check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
