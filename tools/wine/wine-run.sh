#!/usr/bin/env bash
# ctest's emulator for the Windows test executables: runs one under Wine in the run's
# prefix and display (made by wine-env.sh setup, named by RVX_WINE_ENV).
#
#   wine-run.sh <arch> <program.exe> [args...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-common.sh"
arch=${1:?arch}; shift

envfile=${RVX_WINE_ENV:-}
if [ -z "$envfile" ] || [ ! -f "$envfile" ]; then
  echo "wine-run: no Wine test environment (RVX_WINE_ENV='$envfile'); run the tests through ctest" >&2
  exit 1
fi
# shellcheck disable=SC1090
. "$envfile"
loader=$(rvx_wine_loader "$arch") || { echo "wine-run: Wine is not installed" >&2; exit 1; }
exec "$loader" "$@"
