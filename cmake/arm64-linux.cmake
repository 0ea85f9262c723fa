# SPDX-License-Identifier: MIT
# Cross-building for 64-bit ARM Linux with Debian's cross compiler, against
# the arm64 libraries installed beside this machine's own (multiarch).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# qemu's user emulation runs the tests, named here rather than registered
# for the whole machine. No -L: the programs load the multiarch loader with
# its own libc; the cross compiler's loader (-L /usr/aarch64-linux-gnu) with
# another libc version hangs every program that starts a thread.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
