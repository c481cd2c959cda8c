# Thin wrapper over the three CMake configurations.
#   make demo   - install what is missing, build, run against the simulator
#   make test   - install what is missing, build all three, run every test tier
JOBS ?= 2
SHELL := /bin/bash

.PHONY: all deps build host win64 win32 test test-unit test-wine demo bench run clean

all: build

deps:
	@bash scripts/setup-deps.sh

build: deps host win64 win32

build/host/CMakeCache.txt:
	cmake -S . -B build/host -DKLV_WIN64_DIR=$(CURDIR)/build/win64 -DKLV_WIN32_DIR=$(CURDIR)/build/win32
build/win64/CMakeCache.txt:
	cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake
build/win32/CMakeCache.txt:
	cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-i686.cmake

host: build/host/CMakeCache.txt
	cmake --build build/host -j$(JOBS)
win64: build/win64/CMakeCache.txt
	cmake --build build/win64 -j$(JOBS)
win32: build/win32/CMakeCache.txt
	cmake --build build/win32 -j$(JOBS)

test: build
	bash scripts/run-tests.sh

test-unit: deps host
	cd build/host && ctest -L unit --output-on-failure -j$(JOBS)

test-wine: build
	cd build/host && ctest -L 'wine|e2e' --output-on-failure

demo: build
	bash scripts/demo.sh

# The measurement program under Wine, optionally on a document:
#   make run DOC=build/demo/series.klv
run: deps win64
	bash scripts/run-klemva.sh $(DOC)

bench: deps host
	@if cmake --build build/host --target help | grep -q 'klv_bench'; then \
	  cmake --build build/host --target klv_bench -j$(JOBS) && build/host/bin/klv_bench; \
	else \
	  echo "klv_bench is not configured: FFTW single precision (libfftw3-dev) was not found"; exit 1; \
	fi

clean:
	rm -rf build
