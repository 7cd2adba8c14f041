# rvx_add_library(<name> [SOURCES ...] [INCLUDES ...] [DEPS ...])
# One static library per layer or subsystem. A layer with no sources yet is an interface
# library, so its dependents link it unchanged once code lands.
function(rvx_add_library name)
  cmake_parse_arguments(A "" "" "SOURCES;INCLUDES;DEPS" ${ARGN})
  if(A_SOURCES)
    add_library(${name} STATIC ${A_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${A_INCLUDES})
    target_link_libraries(${name} PUBLIC ${A_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR} ${A_INCLUDES})
    target_link_libraries(${name} INTERFACE ${A_DEPS})
  endif()
endfunction()

# Adds every immediate child folder that has a CMakeLists.txt, in name order, so a new
# subsystem's folder joins the build without editing its parent's list.
function(rvx_add_child_folders)
  file(GLOB _children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT _children)
  foreach(_child IN LISTS _children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${_child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_child}/CMakeLists.txt)
      add_subdirectory(${_child})
    endif()
  endforeach()
endfunction()
