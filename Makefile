# SPDX-License-Identifier: MIT
# A thin layer over CMake: "make run" plays, "make test" checks.
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
	$(call cmake_test,dev)

# The rules' unit tests alone, quickly.
unit:
	./scripts/install-deps test
	$(call cmake_build,dev)
	$(call cmake_test,dev,-L unit)

asan:
	./scripts/install-deps test
	$(call cmake_build,asan)
	$(call cmake_test,asan,-L unit)

bench:
	./scripts/install-deps test
	$(call cmake_build,bench)
	./build/bench/bench/micro_bench
	./build/bench/bench/play_bench

clean:
	rm -rf build

# CMake 3.25 and newer take the settings from CMakePresets.json. Older ones
# cannot read that file; for them the same settings are spelled out here, for
# the folder build/PRESET. Keep the two in step.
release_settings = -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
bench_settings = -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DWRIGGLE_BENCH=ON
dev_settings = -DCMAKE_BUILD_TYPE=Debug -DWRIGGLE_WERROR=ON -DWRIGGLE_WINDOWS_BUILD=$(CURDIR)/build/windows
asan_settings = -DCMAKE_BUILD_TYPE=Debug -DWRIGGLE_WERROR=ON -DWRIGGLE_SANITIZE=ON
windows_settings = -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release -DWRIGGLE_WERROR=ON
presets_readable = cmake --list-presets >/dev/null 2>&1

# $(call cmake_build,PRESET): configure and build.
define cmake_build
	if $(presets_readable); then \
		cmake --preset $(1) && cmake --build --preset $(1) -j2; \
	else \
		cmake -S . -B build/$(1) $($(1)_settings) && cmake --build build/$(1) -j2; \
	fi
endef

# $(call cmake_test,PRESET[,CTEST OPTIONS]): run its tests.
define cmake_test
	if $(presets_readable); then \
		ctest --preset $(1) $(2); \
	else \
		cd build/$(1) && ctest --output-on-failure $(2); \
	fi
endef
