# SPDX-License-Identifier: MIT
# Cross-building for 64-bit ARM Linux with Debian's cross compiler, against
# the arm64 libraries installed beside this machine's own (multiarch).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# The tests run the programs under qemu's user emulation, named here rather
# than registered with the kernel for the whole machine. Without -L they
# load the multiarch C library's own loader: the cross compiler's
# (-L /usr/aarch64-linux-gnu) with another version of the library hangs
# every program that starts a thread.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
