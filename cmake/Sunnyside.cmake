# sunnyside_library(NAME DEPENDS a b ...): one static library per source folder.
# The folder's public headers are included by their folder path from the top,
# e.g. #include "platform/foundation/Bundle.h".
function(sunnyside_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS *.cpp *.h)
  if(NOT sources)  # a folder whose classes have not landed yet
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# sunnyside_test(NAME DEPENDS a b ...): one GoogleTest executable per test folder,
# run by CTest as one test with Qt's offscreen platform.
function(sunnyside_test name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS *.cpp *.h)
  if(NOT sources)  # a folder whose tests have not landed yet
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE test_support ${ARG_DEPENDS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    TIMEOUT 600)
endfunction()
