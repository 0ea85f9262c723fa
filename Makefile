# SPDX-License-Identifier: MIT
# A thin layer over the CMake presets: "make run" plays, "make test" checks.
.PHONY: run test build windows bench clean

run: build
	./build/release/src/wriggle

build:
	./scripts/install-deps
	cmake --preset release
	cmake --build --preset release -j2

windows:
	./scripts/install-deps test
	cmake --preset windows
	cmake --build --preset windows -j2

test: windows
	cmake --preset dev
	cmake --build --preset dev -j2
	ctest --preset dev

bench:
	./scripts/install-deps test
	cmake --preset bench
	cmake --build --preset bench -j2
	./build/bench/bench/micro_bench
	./build/bench/bench/play_bench

clean:
	rm -rf build
