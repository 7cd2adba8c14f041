#!/usr/bin/env bash
# Installs what is needed, builds the program and starts it under Wine.
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
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml="}
arch=i686; out=$top/build/win32/out
if ! { loader=$(rvx_wine_loader i686) && "$loader" --version >/dev/null 2>&1; }; then
  echo "run: this machine cannot execute 32-bit code; starting the 64-bit build of the program"
  bash "$top/tools/build.sh" x86_64
  arch=x86_64; out=$top/build/win64/out
  WINEPREFIX=$WINEPREFIX-64
fi
loader=$(rvx_wine_loader "$arch") || { echo "run: Wine is not installed" >&2; exit 1; }
mkdir -p "$(dirname "$WINEPREFIX")"
cd "$out"
exec "$loader" ./Ravelmixer.exe "$@"
