#!/usr/bin/env bash
# Builds the benchmarks and runs each under Wine as the tests run (a private prefix, an Xvfb
# display, one wineserver), then prints one table: figure, value, floor, ratio. The floor is
# the least the same machine needs for the same data movement, measured in the same run, so
# the ratio holds on a loaded machine where the raw figures do not. Each program's whole
# output is kept in build/<arch>/bench/logs.
#
#   bash tools/bench.sh [x86_64|i686] [name-pattern]
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-x86_64}
pattern=${2:-.}
case "$arch" in
  i686) build=$top/build/win32 ;;
  x86_64) build=$top/build/win64 ;;
  *) echo "bench: unknown architecture $arch" >&2; exit 2 ;;
esac

if [ ! -f "$build/CMakeCache.txt" ]; then
  bash "$top/tools/build.sh" "$arch" || exit 1
fi
cmake --build "$build" -j "${RVX_BENCH_JOBS:-3}" --target rvx_benches || exit 1

envdir=$build/wine-bench
bash "$top/tools/wine/wine-env.sh" setup "$envdir" "$arch" >/dev/null || exit 1
trap 'bash "$top/tools/wine/wine-env.sh" cleanup "$envdir"' EXIT

logs=$build/bench/logs
mkdir -p "$logs"
rows=$(mktemp)
echo "bench: $(uptime)"
for exe in "$build"/bench/*.exe; do
  name=$(basename "$exe" .exe)
  [[ $name =~ $pattern ]] || continue
  echo "bench: running $name"
  # Run from the bench folder: the programs find the program folder at ../out.
  (cd "$build/bench" && RVX_WINE_ENV=$envdir/env timeout 600 \
      bash "$top/tools/wine/wine-run.sh" "$arch" "$exe") >"$logs/$name.log" 2>&1
  rc=$?
  [ $rc -eq 0 ] || echo "bench: $name ended with $rc (see $logs/$name.log)"
  grep '^@figure|' "$logs/$name.log" | tr -d '\r' | cut -d'|' -f2- | sed "s/^/$name|/" >>"$rows"
done
echo "bench: $(uptime)"
echo
{
  echo "benchmark|figure|value|floor|ratio"
  cat "$rows"
} | column -t -s '|'
rm -f "$rows"
