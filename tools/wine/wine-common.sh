# Shared by wine-env.sh and wine-run.sh: which Wine loader runs a given target.
# Debian keeps the 64-bit loader out of PATH, under /usr/lib/wine.
rvx_wine_loader() {
  local arch=$1 c
  if [ "$arch" = x86_64 ]; then
    for c in wine64 /usr/lib/wine/wine64 /usr/lib/x86_64-linux-gnu/wine/wine64 wine; do
      command -v "$c" >/dev/null 2>&1 && { command -v "$c"; return 0; }
    done
  else
    for c in wine /usr/lib/wine/wine; do
      command -v "$c" >/dev/null 2>&1 && { command -v "$c"; return 0; }
    done
  fi
  return 1
}

rvx_wineserver() {
  local c
  for c in wineserver /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver; do
    command -v "$c" >/dev/null 2>&1 && { command -v "$c"; return 0; }
  done
  return 1
}
