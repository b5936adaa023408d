# Cross build for 32-bit Windows (Windows XP SP3 and later) with MinGW-w64.
#
# The win32 thread-model compilers build the programs: the posix model links
# winpthreads into every C++ program, and winpthreads imports GetTickCount64,
# which Windows XP lacks (the program would not start there). GoogleTest and
# the tests that start threads need the posix model; cmake/windows-tests.cmake
# switches the test targets to the posix compilers of the same toolchain.
#
# Executables are linked statically (no runtime DLLs) and their PE headers
# name NT 5.1 as subsystem and OS version: Windows XP refuses anything higher.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER   i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER  i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -Wl,--major-subsystem-version,5,--minor-subsystem-version,1,--major-os-version,5,--minor-os-version,1")
