# The two commands of the README:
#   make demo   builds SETUP.EXE and runs the wizard on the sample package
#   make test   builds both targets and runs every test under Wine
#   make bench  the copy phase against a bare LZ32 loop, and the start-up
#               and the whole installation under Wine
# Both install what is missing first (Debian 12, as root).

JOBS ?= 2
X86 := build/x86
X64 := build/x64

.PHONY: all deps build build-x86 build-x64 test demo bench clean

all: build

deps:
	@tools/install-deps

build-x86: deps
	cmake -S . -B $(X86) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(X86) -j $(JOBS)

build-x64: deps
	cmake -S . -B $(X64) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(X64) -j $(JOBS)

build: build-x86 build-x64

test: build
	tools/xsession ctest --test-dir $(X64) --output-on-failure

demo: build
	tools/demo

# The copy phase against a bare LZ32 loop over the same 200 files; the
# start-up against a minimal dialog program; the whole installation.
bench: build-x64
	tools/xsession tools/bench-copy
	WINERUN_SCREEN=1024x768x24 tools/xsession tools/bench-setup

# make check-package PKG=dir: SETUPCHK.EXE on a package folder under Wine
# (without PKG: on the sample package), the Windows 95 build where 32-bit
# programs run, else the x64 build. Exit status 0 no problem, 1 problems,
# 2 the package cannot be read.
.PHONY: check-package
check-package: build
	@if [ -n "$(PKG)" ]; then tools/check-package "$(PKG)"; else tools/check-sample; fi

clean:
	rm -rf build
