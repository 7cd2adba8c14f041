#!/usr/bin/env bash
# Installs what is needed, builds the program with its program folder and starts it under Wine.
#
# The build lays out the program folder beside the binary (build/win32/out): fx, skins, config,
# rxf, SProfiles, UProfiles, codecs and the sample clips in samples. Wine runs it in a prefix of
# its own under build/wine-run, made once, with the CJK font for the Chinese user interface.
#
#   bash tools/run.sh [program arguments]          on a desktop session (DISPLAY set)
#   xvfb-run -a bash tools/run.sh                  without a display
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/wine/wine-common.sh"

bash "$top/tools/setup-debian.sh"
bash "$top/tools/build.sh" i686

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no display (DISPLAY is not set). Start the program from a desktop session," >&2
  echo "     or under a virtual display: xvfb-run -a bash tools/run.sh" >&2
  exit 1
fi

export WINEPREFIX=${WINEPREFIX:-$top/build/wine-run/prefix} WINEDEBUG=${WINEDEBUG:--all}
# Never let Wine offer to download Mono or Gecko: that dialog would stand before the program.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml="}
arch=i686; out=$top/build/win32/out
if ! { loader=$(rvx_wine_loader i686) && "$loader" --version >/dev/null 2>&1; }; then
  echo "run: this machine cannot execute 32-bit code; starting the 64-bit build of the program"
  bash "$top/tools/build.sh" x86_64
  arch=x86_64; out=$top/build/win64/out
  WINEPREFIX=$WINEPREFIX-64
fi
loader=$(rvx_wine_loader "$arch") || { echo "run: Wine is not installed" >&2; exit 1; }
server=$(rvx_wineserver) || { echo "run: wineserver not found" >&2; exit 1; }

# The prefix: made without a display, so no first-start dialog stands in the way.
if [ ! -f "$WINEPREFIX/.rvx-ready" ]; then
  echo "run: making the Wine prefix $WINEPREFIX (once)"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  DISPLAY= timeout 300 "$loader" wineboot -i </dev/null >/dev/null 2>&1 \
    || { echo "run: wineboot failed for $WINEPREFIX" >&2; exit 1; }
  "$server" -w
  touch "$WINEPREFIX/.rvx-ready"
fi
bash "$top/tools/wine/wine-fonts.sh" "$loader"
# The set-up steps run Wine without a display; let their session end, or the program would join
# it and find no display driver (no window, no Direct3D) on its first start.
"$server" -w

bash "$top/tools/make-samples.sh" "$out/samples"
echo "run: starting $out/Ravelmixer.exe (sample clips in $out/samples)"
cd "$out"
exec "$loader" ./Ravelmixer.exe "$@"
