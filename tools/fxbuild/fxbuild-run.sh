#!/usr/bin/env bash
# Runs the effect compiler under 64-bit Wine during the build, in a prefix of its own
# inside the build tree (made on first use). Wine's output goes to a log, never to the
# build's pipes: a wineserver still holding them would keep the build waiting.
#
#   fxbuild-run.sh <prefix dir> <fxbuild.exe> [arguments...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine/wine-common.sh"
prefix=${1:?prefix dir}; exe=${2:?fxbuild.exe}; shift 2

loader=$(rvx_wine_loader x86_64) || { echo "fxbuild-run: Wine is not installed (run tools/setup-debian.sh)" >&2; exit 1; }
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
unset DISPLAY
mkdir -p "$(dirname "$prefix")"
log=$(mktemp "${TMPDIR:-/tmp}/fxbuild.XXXXXX")
trap 'rm -f "$log"' EXIT
(
  flock 9
  if [ ! -f "$prefix/.rvx-ready" ]; then
    rm -rf "$prefix"
    timeout 300 "$loader" wineboot -i </dev/null >/dev/null 2>&1 || { echo "fxbuild-run: wineboot failed for $prefix" >&2; exit 1; }
    touch "$prefix/.rvx-ready"
  fi
) 9>"$prefix.lock" || exit 1

# Wine reads Unix absolute paths through its Z: drive.
args=()
for a in "$@"; do
  case "$a" in /*) args+=("Z:$a") ;; *) args+=("$a") ;; esac
done
timeout 300 "$loader" "$exe" "${args[@]}" </dev/null >"$log" 2>&1
rc=$?
tr -d '\r' <"$log" >&2
exit $rc
