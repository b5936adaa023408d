# vindra_library(NAME
#                SOURCES files...          compiled in every build
#                [WIN32_SOURCES files...]  only in the Windows builds
#                [POSIX_SOURCES files...]  only in the POSIX builds
#                [LIBRARIES targets...]    linked (PUBLIC) in every build
#                [WIN32_LIBRARIES libs...]) linked (PUBLIC) in the Windows builds
# A static library of the product whose sources are listed, never globbed:
# the portable part and the platform parts side by side.
function(vindra_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" ""
                        "SOURCES;WIN32_SOURCES;POSIX_SOURCES;LIBRARIES;WIN32_LIBRARIES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vindra_library(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(WIN32)
    set(platform_sources ${arg_WIN32_SOURCES})
  else()
    set(platform_sources ${arg_POSIX_SOURCES})
  endif()
  add_library(${name} STATIC ${arg_SOURCES} ${platform_sources})
  target_link_libraries(${name} PUBLIC ${arg_LIBRARIES})
  if(WIN32)
    target_link_libraries(${name} PUBLIC ${arg_WIN32_LIBRARIES})
  endif()
endfunction()
