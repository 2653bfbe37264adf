# The README's two set-up commands:
#   make demo   builds SETUP.EXE and runs the wizard on the sample package
#   make test   builds every target and runs every test under Wine
# then make bench, and a package author's three: make check-package,
# make try-package and make disks (PKG=dir), below.
#   make bench  the copy phase against a bare LZ32 loop, and the start-up
#               and the whole installation under Wine, for both builds
# Both install what is missing first (Debian 12, as root).

JOBS ?= 2
X86 := build/x86
X64 := build/x64
X86_TESTS := build/x86-tests

.PHONY: all deps build build-x86 build-x64 build-x86-tests test demo try-package bench disks clean

all: build

deps:
	@tools/install-deps

# The deliverable, the same sources with the tests for 64 bits, and the
# tests for i686 (which the x64 build's ctest entries run against the
# deliverable where 32-bit programs run).
build-x86: deps
	cmake -S . -B $(X86) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(X86) -j $(JOBS)

build-x64: deps
	cmake -S . -B $(X64) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(X64) -j $(JOBS)

build-x86-tests: deps
	cmake -S . -B $(X86_TESTS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86-tests.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(X86_TESTS) -j $(JOBS) --target setup_tests demo_driver bench_setup

build: build-x86 build-x64 build-x86-tests

# The ctest entries run two at a time, each in its lane (tests/CMakeLists.txt);
# the time from make's start to the end is printed last.
MAKE_START := $(shell date +%s)
test: build
	@tools/winerun32 --check || echo "so the *-x86 entries are skipped"
	@rc=0; tools/xsession ctest --test-dir $(X64) --output-on-failure -j $(JOBS) || rc=$$?; \
	    echo "make test: $$(( $$(date +%s) - $(MAKE_START) )) s wall, build included"; exit $$rc

demo: build
	tools/demo

# make try-package PKG=dir [MOUSE=serial] [DEST='C:\DIR']: installs the
# package in the project's Wine prefix as a user would (pictures of every
# page in build/try/), prints what the installation did, runs its
# uninstaller and prints what is left against the machine before. Exit
# status 0 only when the installation completed and the machine came back.
try-package: deps
	@[ -n "$(PKG)" ] || { echo "usage: make try-package PKG=path/to/package [MOUSE=ps2|serial] [DEST='C:\DIR']" >&2; exit 2; }
	@tools/try-package "$(PKG)" --build $(if $(MOUSE),--mouse $(MOUSE)) $(if $(DEST),--dest '$(DEST)')

# The deliverables' sizes; the copy phase against a bare LZ32 loop over
# the same 200 files; the start-up against a minimal dialog program; the
# whole installation.
bench: build
	tools/bench-sizes $(X86)
	tools/xsession tools/bench-copy
	WINERUN_SCREEN=1024x768x24 tools/xsession tools/bench-setup

# make check-package PKG=dir [ARGS="--strict --quiet --time"]: SETUPCHK.EXE
# on a package folder under Wine (without PKG: on the sample package), the
# Windows 95 build where 32-bit programs run, else the x64 build. It
# builds SETUPCHK alone, and only when it is out of date, and prints
# nothing but SETUPCHK's output (the build's when it fails). Make's
# own exit status is 0, or 2 for any failed recipe, so the check runs while
# make reads this file (as the recipe of an included makefile, its output
# shown as usual) and make then ends with the checker's status: 0 no
# error, 1 errors (as make's question mode says "out of date"), 2 the
# package cannot be read.
CHECK_STATUS_FILE := build/check-package.status
ifneq ($(filter check-package,$(MAKECMDGOALS)),)
ifneq ($(MAKECMDGOALS),check-package)
$(error make check-package runs on its own, without other goals)
endif
ifeq ($(MAKE_RESTARTS),)
-include $(CHECK_STATUS_FILE)
$(CHECK_STATUS_FILE): check-package-force
	@mkdir -p build
	@status=2; if [ -n "$(PKG)" ]; then tools/check-package "$(PKG)" --build $(ARGS); \
	    else tools/build-targets $(X64) SETUP UNINSTAL && tools/check-sample --build $(ARGS); fi; \
	    status=$$?; echo "CHECK_STATUS := $$status" > $@
.PHONY: check-package-force
check-package-force:
else
include $(CHECK_STATUS_FILE)
ifeq ($(CHECK_STATUS),1)
MAKEFLAGS += -q
else ifneq ($(CHECK_STATUS),0)
$(error the package cannot be checked (SETUPCHK exit status $(CHECK_STATUS)))
endif
endif
endif
.PHONY: check-package
check-package:
	@:

# make disks PKG=dir [OUT=dir]: one 1.44 MB floppy image per disk of the
# package (build/disks/NAME/DISK1.IMG, ...), with SETUP.EXE and
# UNINSTAL.EXE from the deliverable build; a disk that does not fit is
# refused and no image is written.
disks: deps
	@[ -n "$(PKG)" ] || { echo "usage: make disks PKG=path/to/package [OUT=folder]" >&2; exit 2; }
	@tools/build-targets $(X86) SETUP UNINSTAL
	@tools/make-disks "$(PKG)" --programs $(X86) $(if $(OUT),--out "$(OUT)")

clean:
	rm -rf build
