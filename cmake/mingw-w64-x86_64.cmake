# Cross build for 64-bit Windows with MinGW-w64 (posix thread model: GoogleTest
# and std::thread need it).
set(VINDRA_MINGW_PROCESSOR x86_64)
set(VINDRA_MINGW_THREAD_MODEL posix)
set(VINDRA_MINGW_LINKER_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
