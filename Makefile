# Thin wrapper over the three CMake configurations.
#   make demo   - install what is missing, build, run against the simulator
#   make test   - install what is missing, build all three, run every test tier
#   make dist   - the setup program and the zip of the release
JOBS ?= 2
SHELL := /bin/bash

.PHONY: all deps deps-demo build host win64 win32 test test-unit test-wine demo demo-host demo-win64 \
	demo-prefix bench run fuzz dist clean

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

# The Windows builds run beside the native test tiers (at a lower priority);
# the Wine tiers start once they are done.
test: deps host
	bash scripts/run-tests.sh --build-beside '$(MAKE) --no-print-directory win64 win32'

test-unit: deps host
	cd build/host && ctest -L unit --output-on-failure -j$(JOBS)

test-wine: build
	cd build/host && ctest -L 'wine|e2e' --output-on-failure

# The demo runs the x86_64 program, its DLL and the test driver under Wine
# beside the host's simulator and klvtool: only those are built, both trees
# in one pool of $(JOBS) jobs (the sub-builds join this make's job server),
# while the Wine prefix is made beside them.
DEMO_HOST_TARGETS := klvsim klvtool
DEMO_WIN64_TARGETS := klemva99_it klvdriver

demo: deps-demo
	@$(MAKE) --no-print-directory -j$(JOBS) demo-host demo-win64 demo-prefix
	bash scripts/demo.sh

deps-demo:
	@bash scripts/setup-deps.sh --without-win32

demo-host: build/host/CMakeCache.txt
	+cmake --build build/host --target $(DEMO_HOST_TARGETS)
demo-win64: build/win64/CMakeCache.txt
	+cmake --build build/win64 --target $(DEMO_WIN64_TARGETS)
demo-prefix:
	@mkdir -p build/win64
	@bash scripts/wine-prefix.sh build/win64

# The measurement program under Wine, optionally on a document:
#   make run DOC=build/demo/26120700.klv   (a document make demo saved)
run: deps win64
	bash scripts/run-klemva.sh $(DOC)

bench: deps host
	@# grep reads the whole list: a reader that stops early (grep -q) breaks
	@# the pipe under the build tool, which then reports an error.
	@if cmake --build build/host --target help | grep 'klv_bench' >/dev/null; then \
	  cmake --build build/host --target klv_bench -j$(JOBS) && build/host/bin/klv_bench; \
	else \
	  echo "klv_bench is not configured: FFTW single precision (libfftw3-dev) was not found"; exit 1; \
	fi

# Long fuzzing run, not part of `make test`: every target for FUZZ_SECONDS
# seconds or FUZZ_RUNS inputs, whichever comes first, one at a time.
FUZZ_SECONDS ?= 600
FUZZ_RUNS ?= -1
fuzz: deps host
	cmake --build build/host --target klv_fuzzers klv_fuzz_seeds -j$(JOBS)
	KLV_FUZZ_SECONDS=$(FUZZ_SECONDS) KLV_FUZZ_RUNS=$(FUZZ_RUNS) bash fuzz/run-all.sh build/host

# The setup program and the zip of the release in build/dist/.
dist: deps win64 win32
	bash scripts/dist.sh

clean:
	rm -rf build
