# Third-party libraries, cross-built from Debian's source packages by tools/deps/build-deps.sh
# into a cache outside the checkout (nothing is vendored). Configure runs the script; with a
# warm cache it only checks its stamps.
execute_process(
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/deps/build-deps.sh ${CMAKE_SYSTEM_PROCESSOR}
  OUTPUT_VARIABLE _rvx_deps_out
  RESULT_VARIABLE _rvx_deps_rc)
if(NOT _rvx_deps_rc EQUAL 0)
  message(FATAL_ERROR "Building the dependencies failed (tools/deps/build-deps.sh ${CMAKE_SYSTEM_PROCESSOR})")
endif()
string(STRIP "${_rvx_deps_out}" _rvx_deps_out)
string(REGEX REPLACE ".*\n" "" RVX_DEPS_PREFIX "${_rvx_deps_out}")
message(STATUS "Dependencies: ${RVX_DEPS_PREFIX}")

function(_rvx_import name lib)
  add_library(deps::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(deps::${name} PROPERTIES
    IMPORTED_LOCATION ${RVX_DEPS_PREFIX}/lib/${lib}
    INTERFACE_INCLUDE_DIRECTORIES ${RVX_DEPS_PREFIX}/include)
endfunction()

_rvx_import(zlib libz.a)
_rvx_import(png libpng16.a)
set_property(TARGET deps::png PROPERTY INTERFACE_LINK_LIBRARIES deps::zlib)
_rvx_import(jpeg libjpeg.a)
_rvx_import(gif libgif.a)
_rvx_import(boost_serialization libboost_serialization.a)
_rvx_import(boost_thread libboost_thread.a)
set_property(TARGET deps::boost_thread PROPERTY INTERFACE_COMPILE_DEFINITIONS BOOST_THREAD_USE_LIB BOOST_ALL_NO_LIB)
add_library(deps::boost_headers INTERFACE IMPORTED GLOBAL)
set_target_properties(deps::boost_headers PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${RVX_DEPS_PREFIX}/include
  INTERFACE_COMPILE_DEFINITIONS BOOST_ALL_NO_LIB)
