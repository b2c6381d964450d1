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
  sunnyside_record_layer(${name})
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

# The layer check: every library folder may include headers of its own folder
# and of the folders it links, directly or through their links. The allowed
# sets come from the link lines themselves, written at configure time for
# cmake/CheckLayers.cmake (the CTest "layers").
function(sunnyside_record_layer name)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY SUNNYSIDE_LAYERS ${name})
  set_property(TARGET ${name} PROPERTY SUNNYSIDE_FOLDER ${folder})
endfunction()

function(_sunnyside_link_closure name out)
  set(seen ${${out}})
  get_target_property(links ${name} LINK_LIBRARIES)
  foreach(link IN LISTS links)
    if(TARGET ${link} AND NOT link IN_LIST seen)
      get_target_property(folder ${link} SUNNYSIDE_FOLDER)
      if(folder)
        list(APPEND seen ${link})
        _sunnyside_link_closure(${link} seen)
      endif()
    endif()
  endforeach()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(sunnyside_write_layers file)
  get_property(layers GLOBAL PROPERTY SUNNYSIDE_LAYERS)
  set(text "")
  set(folders "")
  foreach(name IN LISTS layers)
    get_target_property(folder ${name} SUNNYSIDE_FOLDER)
    list(APPEND folders ${folder})
    set(closure "")
    _sunnyside_link_closure(${name} closure)
    set(allowed "")
    foreach(link IN LISTS closure)
      get_target_property(linked ${link} SUNNYSIDE_FOLDER)
      list(APPEND allowed ${linked})
    endforeach()
    string(APPEND text "set(\"TARGET_${folder}\" ${name})\nset(\"ALLOWED_${folder}\" \"${allowed}\")\n")
  endforeach()
  file(WRITE ${file} "set(FOLDERS \"${folders}\")\n${text}")
endfunction()
