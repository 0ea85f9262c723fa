# SPDX-License-Identifier: MIT
# A thin layer over CMake: "make run" plays, "make test" checks; each folder
# build/PRESET is built with its preset's settings from CMakePresets.json.
# GNU make and BSD make alike: plain rules, nothing either lacks.
.PHONY: run test build windows unit asan arm64 bench clean

run: build
	./build/release/src/wriggle

build:
	./scripts/install-deps
	cmake --preset release && cmake --build build/release -j2

windows:
	./scripts/install-deps test
	cmake --preset windows && cmake --build build/windows -j2

test: windows
	cmake --preset dev && cmake --build build/dev -j2
	ctest --preset dev

unit: # the rules' unit tests alone, quickly
	./scripts/install-deps test
	cmake --preset dev && cmake --build build/dev -j2
	ctest --preset dev -L unit

asan: # clang++ and libc++ with the sanitizers: unit tests and scenarios
	./scripts/install-deps test asan
	cmake --preset asan && cmake --build build/asan -j2
	ctest --preset asan

arm64: # cross-built for arm64; tests under qemu, played by build/dev's harness
	./scripts/install-deps test cross
	cmake --preset dev && cmake --build build/dev -j2 --target play_tests
	cmake --preset arm64 && cmake --build build/arm64 -j2
	ctest --preset arm64

bench:
	./scripts/install-deps test
	cmake --preset bench && cmake --build build/bench -j2
	./build/bench/bench/micro_bench
	./build/bench/bench/play_bench

clean:
	rm -rf build
