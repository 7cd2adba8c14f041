#!/usr/bin/env bash
# Sets up (or tears down) the Wine environment of one test run: a private prefix inside
# the build tree, an Xvfb display, and a wineserver kept alive for the whole run, so each
# test process starts in well under a second.
#
#   wine-env.sh setup   <env-dir> <arch>
#   wine-env.sh cleanup <env-dir>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-common.sh"

cmd=${1:?setup|cleanup}; dir=${2:?env dir}; arch=${3:-x86_64}
mkdir -p "$dir"
envfile=$dir/env

fail() { echo "wine-env: $*" >&2; exit 1; }

cleanup() {
  [ -f "$envfile" ] || return 0
  # shellcheck disable=SC1090
  . "$envfile"
  local ws; ws=$(rvx_wineserver) && WINEPREFIX=$WINEPREFIX "$ws" -k >/dev/null 2>&1
  [ -n "${RVX_XVFB_PID:-}" ] && kill "$RVX_XVFB_PID" >/dev/null 2>&1
  rm -f "$envfile"
  return 0
}

if [ "$cmd" = cleanup ]; then cleanup; exit 0; fi
[ "$cmd" = setup ] || fail "unknown command $cmd"

cleanup
loader=$(rvx_wine_loader "$arch") || fail "Wine is not installed (run tools/setup-debian.sh)"
"$loader" --version >/dev/null 2>&1 \
  || fail "Wine cannot run $arch programs on this machine ($loader failed to start)"
server=$(rvx_wineserver) || fail "wineserver not found"
command -v Xvfb >/dev/null || fail "Xvfb is not installed (run tools/setup-debian.sh)"

prefix=$dir/prefix-$arch
export WINEPREFIX=$prefix WINEDEBUG=-all
# Never let Wine offer to download Mono or Gecko: on a display that dialog blocks the run.
export WINEDLLOVERRIDES="mscoree=;mshtml="
if [ ! -f "$prefix/.rvx-ready" ]; then
  rm -rf "$prefix"
  DISPLAY= timeout 300 "$loader" wineboot -i </dev/null >/dev/null 2>&1 || fail "wineboot failed for $prefix"
  "$server" -w </dev/null >/dev/null 2>&1
  touch "$prefix/.rvx-ready"
fi
# Chinese captions and labels render with a CJK font (once per prefix, also for older ones).
bash "$here/wine-fonts.sh" "$loader" || fail "could not set up the CJK font in $prefix"
"$server" -w </dev/null >/dev/null 2>&1

# A free display number: no lock file and no socket. Two runs starting together can pick the
# same number; only one Xvfb gets it (the lock file holds its pid), the other tries the next.
display=""
for n in $(seq 90 189); do
  [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ] || continue
  # Daemons must not hold ctest's output pipe, or the set-up step never ends.
  setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    kill -0 "$xvfb_pid" 2>/dev/null || break
    if [ -e "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' ' <"/tmp/.X$n-lock" 2>/dev/null)" = "$xvfb_pid" ]; then
      display=$n
      break
    fi
    sleep 0.05
  done
  [ -n "$display" ] && break
  kill "$xvfb_pid" 2>/dev/null
done
[ -n "$display" ] || fail "no X display could be started (see $dir/xvfb.log)"

setsid "$server" -p </dev/null >/dev/null 2>&1
# Start Wine's own services and the desktop window now, detached from any pipe: started
# by the first test instead, they would inherit its output and keep ctest waiting.
DISPLAY=":$display" setsid "$loader" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1
cat >"$envfile" <<ENV
export WINEPREFIX='$prefix'
export WINEDEBUG=-all
# A crashing test ends at once instead of waiting in Wine's debugger.
export WINEDLLOVERRIDES='mscoree=;mshtml=;winedbg.exe=d'
export DISPLAY=':$display'
RVX_XVFB_PID=$xvfb_pid
ENV
echo "wine-env: prefix $prefix, display :$display"
