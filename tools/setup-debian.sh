#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Safe to run again:
# apt skips what is already there, and the i386 architecture is added only once.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

# The dependency builds take Debian's own source packages: add a deb-src entry made
# from the machine's existing sources, so no host is written down here.
src_list=/etc/apt/sources.list.d/ravelmixer-src.sources
if [ ! -f "$src_list" ]; then
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    case "$f" in *ravelmixer-src*) continue ;; esac
    sed -n 's/^Types:.*\bdeb\b.*/Types: deb-src/p; /^Types:/!p' "$f" >>"$tmp"
    echo >>"$tmp"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"${src_list%.sources}.list" || true
  fi
  if grep -q '^Types: deb-src' "$tmp"; then $SUDO cp "$tmp" "$src_list"; fi
  rm -f "$tmp"
fi

packages=(
  # cross compilers (the shipped i686 build, and x86_64 for machines without a 32-bit mode)
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  cmake make ninja-build dpkg-dev file python3
  # Wine with both halves, a virtual display and Mesa for the Direct3D 9 tests
  wine wine32:i386 wine64 xvfb xauth x11-utils
  libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386 libgl1 libgl1-mesa-dri libglx-mesa0
  # Wine's AVI splitter and other parsers are built on GStreamer's plugins; the decoders of the
  # older AVI codecs (MS Video 1, Cinepak, Indeo...) are in the libav plugin set
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 gstreamer1.0-libav:i386
  # test framework sources (built for the target) and a tool to check recorded files
  googletest ffmpeg
  # the skin is drawn at build time with PIL; the CJK font labels it and Wine shows Chinese with it
  python3-pil fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The source index is needed by the dependency builds even when every package is present.
if [ ${#missing[@]} -gt 0 ] || ! apt-cache showsrc zlib 2>/dev/null | grep -q '^Package:'; then
  $SUDO apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  echo "setup: installed ${#missing[@]} packages"
else
  echo "setup: every package is installed"
fi
