# SPDX-License-Identifier: MIT
# A thin layer over CMake: "make run" plays, "make test" checks; each folder
# build/PRESET is built with its preset's settings from CMakePresets.json.
.PHONY: run test build windows unit asan bench clean

run: build
	./build/release/src/wriggle

build:
	./scripts/install-deps
	$(call cmake_build,release)

windows:
	./scripts/install-deps test
	$(call cmake_build,windows)

test: windows
	$(call cmake_build,dev)
	ctest --preset dev

unit: # the rules' unit tests alone, quickly
	./scripts/install-deps test
	$(call cmake_build,dev)
	ctest --preset dev -L unit

asan:
	./scripts/install-deps test
	$(call cmake_build,asan)
	ctest --preset asan

bench:
	./scripts/install-deps test
	$(call cmake_build,bench)
	./build/bench/bench/micro_bench
	./build/bench/bench/play_bench

clean:
	rm -rf build

# $(call cmake_build,PRESET): configure and build.
cmake_build = cmake --preset $(1) && cmake --build --preset $(1) -j2
