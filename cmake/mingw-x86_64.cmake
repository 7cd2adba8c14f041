# Cross build for x86_64 Windows with Debian's mingw-w64 (POSIX thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RVX_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${RVX_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RVX_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${RVX_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RVX_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test executables run under Wine, so ctest works as on a native build.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine/wine-run.sh x86_64)
