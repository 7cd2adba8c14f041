#!/usr/bin/env bash
# Checks a program folder (build/win32/out or build/win64/out) against what the program loads:
#  - Ravelmixer.exe, once it holds the engine, names ovx500u.dll in its import table (the card
#    library is linked at load time);
#  - every DLL the deliverables import is in the program folder or is a system DLL;
#  - every file and folder the program opens by name is there: the skin map and bitmap, one effect
#    picture per transition ("_Name" of its source), the pager's images per category ("_Type"),
#    the compiled effects, the decoder preset, and the settings, caption and profile folders.
#
#   check-program-folder.sh <program folder> <objdump> <system DLL folder> <effect sources folder>
set -uo pipefail
folder=${1:?program folder}; objdump=${2:?objdump}; system=${3:?system DLL folder}; effects=${4:?effect sources}
failures=0
fail() { echo "program folder: $*" >&2; failures=$((failures + 1)); }
need() { [ -e "$folder/$1" ] || fail "missing $1"; }

imports() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r'; }

for binary in Ravelmixer.exe ovx500u.dll rvxvd.dll; do
  need "$binary"
  [ -f "$folder/$binary" ] || continue
  for dll in $(imports "$folder/$binary"); do
    lower=$(printf '%s' "$dll" | tr '[:upper:]' '[:lower:]')
    if [ -e "$folder/$dll" ] || [ -e "$folder/$lower" ]; then continue; fi
    [ -e "$system/$lower" ] || fail "$binary imports $dll, which is neither in the program folder nor a system DLL"
  done
done
# The card renderer comes with the engine (Direct3D 9): a program holding it links the card library.
if [ -f "$folder/Ravelmixer.exe" ]; then
  program_imports=$(imports "$folder/Ravelmixer.exe")
  if printf '%s\n' "$program_imports" | grep -qix 'd3d9.dll'; then
    printf '%s\n' "$program_imports" | grep -qix 'ovx500u.dll' \
      || fail "Ravelmixer.exe does not link ovx500u.dll at load time (not in its import table)"
  else
    echo "program folder: Ravelmixer.exe holds no engine yet, so no card library to link"
  fi
fi

for path in skins/ui.skn skins/ui.bmp codecs/ac3filter.reg config rxf SProfiles UProfiles; do need "$path"; done
grep -q '<BMPPATH>..\\ui.bmp</BMPPATH>' "$folder/skins/ui.skn" 2>/dev/null \
  || fail "skins/ui.skn does not name the bitmap beside it"

types=""
for source in "$effects"/*.fx; do
  stem=$(basename "$source" .fx)
  need "fx/$stem.fxo"
  case "$stem" in _*) continue ;; esac
  name=$(sed -n 's/^[[:space:]]*string[[:space:]]\{1,\}_Name[[:space:]]*=[[:space:]]*"\([^"]*\)".*/\1/p' "$source" | head -n 1)
  type=$(sed -n 's/^[[:space:]]*int[[:space:]]\{1,\}_Type[[:space:]]*=[[:space:]]*\([0-9]\{1,\}\).*/\1/p' "$source" | head -n 1)
  [ -n "$name" ] && [ -n "$type" ] || { fail "$source declares no _Name or _Type"; continue; }
  need "skins/effects/$name.bmp"
  types="$types $type"
done
for type in $(printf '%s\n' $types | sort -u); do
  for suffix in n h s d; do need "skins/btns/${type}_$suffix.bmp"; done
done

if [ "$failures" -gt 0 ]; then
  echo "program folder $folder: $failures problems" >&2
  exit 1
fi
echo "program folder $folder holds everything the program loads by name"
