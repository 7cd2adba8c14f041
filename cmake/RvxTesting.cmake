# Tests: GoogleTest cross-built from Debian's sources; each test executable is one ctest
# entry (Wine's process start dominates otherwise) run under Wine by the toolchain's
# emulator, in a prefix, display and wineserver that one fixture sets up for the whole run.
set(RVX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
if(NOT EXISTS ${RVX_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found at ${RVX_GTEST_SOURCE}; run tools/setup-debian.sh")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${RVX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The test programs' entry point (see the file for why it ends the process itself).
add_library(rvx_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/support/main/TestMain.cpp)
target_link_libraries(rvx_test_main PUBLIC GTest::gtest)

set(RVX_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(RVX_WINE_ENV ${RVX_WINE_DIR}/env)
add_test(NAME wine_env_setup
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/wine/wine-env.sh setup ${RVX_WINE_DIR} ${CMAKE_SYSTEM_PROCESSOR})
add_test(NAME wine_env_cleanup
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/wine/wine-env.sh cleanup ${RVX_WINE_DIR})
set_tests_properties(wine_env_setup PROPERTIES FIXTURES_SETUP wine_env TIMEOUT 400)
set_tests_properties(wine_env_cleanup PROPERTIES FIXTURES_CLEANUP wine_env TIMEOUT 60)

# rvx_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [SERIAL] [TIMEOUT s] [DATA files...])
#   SERIAL: the test registers COM servers or writes files at fixed paths.
#   LABELS display: the test opens windows or a Direct3D device.
function(rvx_add_test name)
  cmake_parse_arguments(A "SERIAL" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gmock rvx_test_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine_env
    ENVIRONMENT "RVX_WINE_ENV=${RVX_WINE_ENV}"
    TIMEOUT ${A_TIMEOUT})
  if(A_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}")
  endif()
  if(A_SERIAL)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
endfunction()

# rvx_add_bench(<name> SOURCES ... [LIBS ...]): a benchmark program that prints figures;
# built with the tests, run by hand (tools/bench.sh), never by ctest.
function(rvx_add_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  set_property(GLOBAL APPEND PROPERTY RVX_BENCHES ${name})
endfunction()
