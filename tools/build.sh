#!/usr/bin/env bash
# Configures and builds one target architecture into build/win32 (i686, the shipped
# deliverables) or build/win64 (x86_64).
#
#   build.sh <i686|x86_64> [extra cmake arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:?usage: build.sh <i686|x86_64>}; shift
case "$arch" in
  i686) dir=$top/build/win32 ;;
  x86_64) dir=$top/build/win64 ;;
  *) echo "build: unknown architecture $arch" >&2; exit 2 ;;
esac
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" "$@"
elif [ $# -gt 0 ]; then
  cmake "$dir" "$@"
fi
cmake --build "$dir" -j "$(nproc)"
