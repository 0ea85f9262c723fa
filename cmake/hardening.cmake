# SPDX-License-Identifier: MIT
# The hardening of Debian's packages (dpkg-buildflags, hardening=+all) for
# every build, or what of it applies to Windows programs. These are defaults,
# in front of the packager's CXXFLAGS and LDFLAGS: where the two disagree,
# the packager's flag comes last and holds.
option(WRIGGLE_HARDENING "Build with the compiler's and linker's hardening flags" ON)
if(NOT WRIGGLE_HARDENING OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  return()
endif()

set(compile_flags -fstack-protector-strong)
if(WIN32)
  # The stack protector's libssp is linked when the flag is also given at
  # link time.
  set(link_flags -fstack-protector-strong)
else()
  include(CheckCXXCompilerFlag)
  foreach(flag -fstack-clash-protection -fcf-protection)
    string(MAKE_C_IDENTIFIER "WRIGGLE_HAS${flag}" has_flag)
    check_cxx_compiler_flag(${flag} ${has_flag})
    if(${has_flag})
      list(APPEND compile_flags ${flag})
    endif()
  endforeach()
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()

# Each link flag where the linker takes it, not by the system's name: relro
# and immediate binding (ELF), address-space randomisation (also above 4 GiB)
# and non-executable data (Windows). Apple's linker and GNU ld for Windows
# refuse -z; GNU ld and lld only warn of a -z they ignore.
include(CheckCXXSourceCompiles)
foreach(flag -z,relro -z,now --dynamicbase --high-entropy-va --nxcompat)
  string(MAKE_C_IDENTIFIER "WRIGGLE_LINKS${flag}" has_flag)
  set(CMAKE_REQUIRED_LINK_OPTIONS -Wl,${flag})
  check_cxx_source_compiles("int main() {}" ${has_flag} FAIL_REGEX "-z [^ ]+ ignored|unknown -z value")
  if(${has_flag})
    list(APPEND link_flags -Wl,${flag})
  endif()
endforeach()
unset(CMAKE_REQUIRED_LINK_OPTIONS)

# Fortified libc calls need optimisation (glibc warns without, and -Werror
# makes it fatal): only where the flags, the packager's included, optimise
# (the last -O counts; Debian's "noopt" gives -O0), and never over the
# packager's own _FORTIFY_SOURCE. -U first keeps a compiler that fortifies
# by itself from warning about the change.
set(fortify -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
set(configs ${CMAKE_BUILD_TYPE})
if(multi_config)
  set(configs ${CMAKE_CONFIGURATION_TYPES})
endif()
foreach(config IN LISTS configs)
  string(TOUPPER "${config}" config_upper)
  string(REGEX MATCHALL "(^| )-O[^ ]*" levels " ${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${config_upper}}")
  if(NOT levels OR levels MATCHES "-O0$" OR CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
    continue()
  elseif(multi_config)
    add_compile_options("$<$<CONFIG:${config}>:${fortify}>")
  else()
    list(APPEND compile_flags ${fortify})
  endif()
endforeach()

string(REPLACE ";" " " compile_flags "${compile_flags}")
string(REPLACE ";" " " link_flags "${link_flags}")
string(STRIP "${compile_flags} ${CMAKE_CXX_FLAGS}" CMAKE_CXX_FLAGS)
string(STRIP "${link_flags} ${CMAKE_EXE_LINKER_FLAGS}" CMAKE_EXE_LINKER_FLAGS)
string(STRIP "${link_flags} ${CMAKE_SHARED_LINKER_FLAGS}" CMAKE_SHARED_LINKER_FLAGS)
