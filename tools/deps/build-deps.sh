#!/usr/bin/env bash
# Cross-builds the third-party libraries from Debian's own source packages into a cache
# outside the checkout, keyed by target, compiler and package version. A warm cache costs
# nothing; a fresh machine builds everything in a few minutes.
#
#   build-deps.sh <i686|x86_64>      prints the install prefix on its last line
set -euo pipefail

arch=${1:?usage: build-deps.sh <i686|x86_64>}
triplet=$arch-w64-mingw32
cc=$triplet-gcc-posix
cxx=$triplet-g++-posix
ar=$triplet-ar
ranlib=$triplet-ranlib
command -v "$cxx" >/dev/null || { echo "build-deps: $cxx not found; run tools/setup-debian.sh" >&2; exit 1; }

here=$(cd "$(dirname "$0")" && pwd)
gccver=$($cxx -dumpversion)
cache=${RAVELMIXER_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ravelmixer-deps}
prefix=$cache/$triplet-gcc$gccver
downloads=$cache/sources
mkdir -p "$prefix/include" "$prefix/lib" "$downloads"
jobs=$(nproc)

log() { echo "build-deps: $*" >&2; }

# Newest version of a source package that the mirror still serves.
fetch_source() {
  local pkg=$1 v
  for v in $(apt-cache showsrc "$pkg" | awk '/^Version:/{print $2}' | sort -rV | uniq); do
    local upstream=${v#*:}; upstream=${upstream%-*}
    if ls "$downloads/${pkg}_${upstream}".orig.tar.* >/dev/null 2>&1; then
      echo "$upstream"; return 0
    fi
    if (cd "$downloads" && apt-get source --download-only -qq "$pkg=$v" >/dev/null 2>&1); then
      echo "$upstream"; return 0
    fi
    # Some mirrors drop an old .dsc while keeping the tarball that several revisions share.
    if ls "$downloads/${pkg}_${upstream}".orig.tar.* >/dev/null 2>&1; then
      echo "$upstream"; return 0
    fi
  done
  log "no source package $pkg could be fetched (is the deb-src entry from tools/setup-debian.sh there?)"
  return 1
}

# Unpacks the orig tarball of $pkg into a fresh work folder; prints the source root.
unpack() {
  local pkg=$1 upstream=$2
  local work=$cache/work/$triplet/$pkg
  rm -rf "$work"; mkdir -p "$work"
  tar -xf "$downloads/${pkg}_${upstream}".orig.tar.* -C "$work"
  local root; root=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  echo "$root"
}

cmake_dep() {
  local src=$1; shift
  local bld=$src/_build
  cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="$arch" \
    -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_RC_COMPILER="$triplet-windres" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  cmake --build "$bld" -j "$jobs" >/dev/null
  cmake --install "$bld" >/dev/null
}

stamp_ok() { [ -f "$prefix/.stamp-$1-$2" ]; }
stamp() { touch "$prefix/.stamp-$1-$2"; }

# Compiles a plain C library from the listed sources of its top folder into lib<name>.a.
c_archive() {
  local name=$1 src=$2; shift 2
  local objs=() f
  for f in "$@"; do
    [ -f "$src/$f.c" ] || continue
    "$cc" -O2 -c "$src/$f.c" -I"$src" -o "$src/$f.o"
    objs+=("$src/$f.o")
  done
  rm -f "$prefix/lib/lib$name.a"
  "$ar" rcs "$prefix/lib/lib$name.a" "${objs[@]}"
}

build_zlib() {
  local v; v=$(fetch_source zlib)
  stamp_ok zlib "$v" && return 0
  log "zlib $v"
  local src; src=$(unpack zlib "$v")
  # The Debian tarball lacks the Windows resource files the CMake build wants.
  c_archive z "$src" adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback \
    inffast inflate inftrees trees uncompr zutil
  cp "$src/zlib.h" "$src/zconf.h" "$prefix/include/"
  stamp zlib "$v"
}

build_libpng() {
  local v; v=$(fetch_source libpng1.6)
  stamp_ok libpng "$v" && return 0
  log "libpng $v"
  local src; src=$(unpack libpng1.6 "$v")
  cmake_dep "$src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
  stamp libpng "$v"
}

build_libjpeg() {
  local v; v=$(fetch_source libjpeg-turbo)
  stamp_ok libjpeg "$v" && return 0
  log "libjpeg-turbo $v"
  local src; src=$(unpack libjpeg-turbo "$v")
  cmake_dep "$src" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF
  stamp libjpeg "$v"
}

build_giflib() {
  local v; v=$(fetch_source giflib)
  stamp_ok giflib "$v" && return 0
  log "giflib $v"
  local src; src=$(unpack giflib "$v")
  c_archive gif "$src" dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize
  cp "$src/gif_lib.h" "$prefix/include/"
  stamp giflib "$v"
}

# Boost: headers of the modular layout gathered into one tree; Serialization and Thread
# compiled as static archives (Pool is header-only).
build_boost() {
  local v; v=$(fetch_source boost1.81)
  stamp_ok boost "$v" && return 0
  log "boost $v (headers, serialization, thread)"
  local work=$cache/work/$triplet/boost
  rm -rf "$work"; mkdir -p "$work"
  tar -xf "$downloads/boost1.81_${v}".orig.tar.* -C "$work"
  local src; src=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  rm -rf "$prefix/include/boost"; mkdir -p "$prefix/include/boost"
  local inc
  for inc in "$src"/libs/*/include "$src"/libs/numeric/*/include; do
    [ -d "$inc/boost" ] && cp -r "$inc/boost/." "$prefix/include/boost/"
  done
  [ -d "$src/boost" ] && cp -r "$src/boost/." "$prefix/include/boost/"
  local flags=(-O2 -std=c++17 -I"$prefix/include" -DBOOST_ALL_NO_LIB -DBOOST_THREAD_BUILD_LIB
               -DBOOST_THREAD_USE_LIB)
  compile_lib() {
    local name=$1; shift
    local out=$work/obj-$name; mkdir -p "$out"
    printf '%s\n' "$@" | xargs -P "$jobs" -I{} sh -c \
      "'$cxx' ${flags[*]} -c '{}' -o '$out'/\$(basename '{}' .cpp).o"
    rm -f "$prefix/lib/libboost_$name.a"
    "$ar" rcs "$prefix/lib/libboost_$name.a" "$out"/*.o
  }
  compile_lib serialization "$src"/libs/serialization/src/*.cpp
  compile_lib thread "$src"/libs/thread/src/win32/thread.cpp "$src"/libs/thread/src/win32/tss_dll.cpp \
    "$src"/libs/thread/src/win32/tss_pe.cpp "$src"/libs/thread/src/win32/thread_primitives.cpp \
    "$src"/libs/thread/src/future.cpp
  rm -rf "$work"
  stamp boost "$v"
}

build_zlib
build_libpng
build_libjpeg
build_giflib
build_boost
rm -rf "$cache/work/$triplet"
echo "$prefix"
