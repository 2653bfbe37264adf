# The deliverable: SETUP.EXE for Windows 95 and Windows 98.
# 32-bit, win32 thread model, statically linked, GUI subsystem 4.0.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# No compiler ident per object: twenty bytes of each file's constants.
# Each routine in a section of its own, and the linker drops what nothing
# calls: the three programs share one library, each uses part of it.
# Constants aligned as the ABI asks, not padded to cache lines. No frame
# pointer: a register more and a push and pop less in every routine.
set(CMAKE_CXX_FLAGS_INIT "-march=i486 -Wa,-march=i486+387 -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-ident -ffunction-sections -malign-data=abi -fomit-frame-pointer")
# Small before fast: the setup's time goes to the platform's calls
# (copying, drawing pixel by pixel), and the programs travel on floppies.
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-Os -DNDEBUG")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-s -static -static-libgcc -static-libstdc++ -Wl,--gc-sections -Wl,--disable-dynamicbase -Wl,--disable-reloc-section -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0")
# A build directory configured before one of these flags was added takes
# it too: the deliverable is always built with all of them.
set(CMAKE_CXX_FLAGS "${CMAKE_CXX_FLAGS_INIT}" CACHE STRING "" FORCE)
set(CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE_INIT}" CACHE STRING "" FORCE)
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS_INIT}" CACHE STRING "" FORCE)
set(SETUP_BUILD_TESTS OFF)
