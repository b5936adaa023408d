# Settings for the test and benchmark programs of the Windows builds. Included
# by the top-level CMakeLists.txt; acts once the whole tree has been read.
#
# 1. The programs and their libraries are compiled for Windows XP SP3
#    (_WIN32_WINNT 0x0501). Test and benchmark programs only run under Wine
#    and may use newer calls (RegDeleteTree, QueryFullProcessImageName): every
#    target below tests/ and benchmarks/ is compiled for Windows 7 instead.
#
# 2. GoogleTest and the tests need the posix thread model (std::mutex,
#    std::thread), which the win32 thread-model compilers of GCC 12 lack; the
#    32-bit programs are built with the win32 model so that they import
#    nothing newer than Windows XP (see cmake/mingw-w64-i686.cmake). In such a
#    build every target that uses GoogleTest, and GoogleTest itself, is
#    compiled and linked with the posix-model compilers of the same toolchain:
#    the same Windows headers, exception model and ABI; only the C++ thread
#    support differs. The libraries under test are compiled once, with the
#    win32 model, as the programs use them.
if(NOT VINDRA_BUILD_TESTS AND NOT VINDRA_BUILD_BENCHMARKS)
  return()
endif()

function(vindra_windows_test_settings)
  set(launcher sh ${CMAKE_SOURCE_DIR}/cmake/posix-thread-model ${CMAKE_CXX_COMPILER_LAUNCHER})
  set(switch_thread_model OFF)
  if(CMAKE_CXX_COMPILER MATCHES "-win32$")
    set(switch_thread_model ON)
  endif()
  set(dirs ${CMAKE_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
        continue()
      endif()
      if(dir MATCHES "^${CMAKE_SOURCE_DIR}/(tests|benchmarks)(/|$)")
        # After the definitions on the command line, so these win.
        target_compile_options(${target} PRIVATE -U_WIN32_WINNT -D_WIN32_WINNT=0x0601 -UWINVER -DWINVER=0x0601)
      endif()
      get_target_property(libs ${target} LINK_LIBRARIES)
      if(switch_thread_model AND (target MATCHES "^(gtest|gtest_main|gmock|gmock_main)$"
         OR libs MATCHES "(^|;)(GTest::[A-Za-z_]+|gtest|gtest_main|gmock|gmock_main)(;|$)"))
        set_target_properties(${target} PROPERTIES CXX_COMPILER_LAUNCHER "${launcher}"
                                                   CXX_LINKER_LAUNCHER "${launcher}")
      endif()
    endforeach()
  endwhile()
endfunction()

# Runs when the whole tree has been read, so that every target exists.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL vindra_windows_test_settings)
