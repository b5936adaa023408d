# Cross build for 32-bit Windows (Windows XP SP3 and later) with MinGW-w64.
#
# The win32 thread-model compilers build the programs: the posix model links
# winpthreads into every C++ program, and winpthreads imports GetTickCount64,
# which Windows XP lacks (the program would not start there). GoogleTest and
# the tests that start threads need the posix model; cmake/windows-tests.cmake
# switches the test targets to the posix compilers of the same toolchain.
#
# The PE headers of the executables name NT 5.1 as subsystem and OS version:
# Windows XP refuses anything higher.
set(VINDRA_MINGW_PROCESSOR i686)
set(VINDRA_MINGW_THREAD_MODEL win32)
set(VINDRA_MINGW_LINKER_FLAGS
    "-Wl,--major-subsystem-version,5,--minor-subsystem-version,1,--major-os-version,5,--minor-os-version,1")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
