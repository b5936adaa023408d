# The settings both MinGW-w64 cross builds share; included by
# cmake/mingw-w64-i686.cmake and cmake/mingw-w64-x86_64.cmake, which set
#   VINDRA_MINGW_PROCESSOR     i686 or x86_64 (the triplet is <processor>-w64-mingw32)
#   VINDRA_MINGW_THREAD_MODEL  win32 or posix (the suffix of the compiler names)
#   VINDRA_MINGW_LINKER_FLAGS  linker flags beyond -static
# Executables are linked statically, so they run under Wine or Windows
# without extra DLLs.
set(triplet ${VINDRA_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VINDRA_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER   ${triplet}-gcc-${VINDRA_MINGW_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${triplet}-g++-${VINDRA_MINGW_THREAD_MODEL})
set(CMAKE_RC_COMPILER  ${triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
string(STRIP "-static ${VINDRA_MINGW_LINKER_FLAGS}" CMAKE_EXE_LINKER_FLAGS_INIT)
unset(triplet)
