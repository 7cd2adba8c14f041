#!/usr/bin/env bash
# Installs what is needed, builds both architectures and runs the tests under Wine.
#
# The deliverables are 32-bit (build/win32). The tests run wherever Wine can run them: the
# 32-bit build when this machine executes 32-bit code, and always the 64-bit build of the
# same sources (some virtual machines have no 32-bit mode, and 64-bit Wine still works).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/wine/wine-common.sh"

bash "$top/tools/setup-debian.sh"
bash "$top/tools/build.sh" i686
bash "$top/tools/build.sh" x86_64

# The shipped binaries must be 32-bit PE files.
for f in Ravelmixer.exe ovx500u.dll rvxvd.dll; do
  file "$top/build/win32/out/$f" | grep -q 'PE32 .*Intel 80386' \
    || { echo "test: build/win32/out/$f is not a 32-bit PE file" >&2; exit 1; }
done
echo "test: build/win32/out holds the i686 deliverables"
# The shipped folder holds everything the program loads by name, and the program links the card
# library at load time (the 64-bit folder is checked by its ctest entry).
bash "$top/tests/system/check-program-folder.sh" "$top/build/win32/out" i686-w64-mingw32-objdump \
  /usr/lib/i386-linux-gnu/wine/i386-windows "$top/app/engine/effects"

jobs=$(nproc)
if loader=$(rvx_wine_loader i686) && "$loader" --version >/dev/null 2>&1; then
  (cd "$top/build/win32" && ctest --output-on-failure -j "$jobs")
else
  echo "test: this machine cannot execute 32-bit code; the 32-bit tests are built, not run"
fi
cd "$top/build/win64"
ctest --output-on-failure -j "$jobs"
