#!/usr/bin/env bash
# Makes Chinese text readable in a Wine prefix. Wine's own fonts have no Chinese glyphs, so the
# dialogs' fonts (Tahoma, MS Shell Dlg, ...) are linked to the CJK font Debian installs
# (fonts-wqy-microhei, found through fontconfig), and the Chinese face names a resource or a
# caption style may ask for are substituted by it. Done once per prefix (a marker remembers it).
#
#   wine-fonts.sh <wine loader>      with WINEPREFIX set and the prefix made
set -uo pipefail
loader=${1:?wine loader}
: "${WINEPREFIX:?WINEPREFIX must be set}"

font_file=wqy-microhei.ttc
face="WenQuanYi Micro Hei"
marker=$WINEPREFIX/.rvx-cjk-fonts
version="1 $font_file"

if [ -f "$marker" ] && [ "$(cat "$marker")" = "$version" ]; then exit 0; fi
if ! fc-list 2>/dev/null | grep -q "$font_file"; then
  echo "wine-fonts: $font_file is not installed (tools/setup-debian.sh); Chinese text will show as boxes" >&2
  exit 0
fi

# REG_MULTI_SZ as regedit's hex(7): UTF-16LE, each string and the list ending in a 0 character.
multi_sz() {
  local hex
  hex=$(printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//; s/,$//')
  printf 'hex(7):%s,00,00,00,00' "$hex"
}

linked=("Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Arial" "Segoe UI"
        "Lucida Sans Unicode" "Courier New" "Times New Roman" "System")
substituted=("SimSun" "宋体" "NSimSun" "新宋体" "SimHei" "黑体" "Microsoft YaHei" "微软雅黑"
             "MingLiU" "PMingLiU" "细明体" "新細明體")

reg=$(mktemp "${TMPDIR:-/tmp}/rvx-fonts.XXXXXX")
trap 'rm -f "$reg" "$reg.utf16"' EXIT
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
  link=$(multi_sz "$font_file,$face")
  for name in "${linked[@]}"; do printf '"%s"=%s\r\n' "$name" "$link"; done
  printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
  for name in "${substituted[@]}"; do printf '"%s"="%s"\r\n' "$name" "$face"; done
  printf '\r\n'
} >"$reg"
# regedit reads a version 5 file as UTF-16 with its byte-order mark.
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$reg"; } >"$reg.utf16"

DISPLAY= timeout 120 "$loader" regedit /S "$(printf 'Z:%s' "$reg.utf16" | tr / '\\')" </dev/null >/dev/null 2>&1 \
  || { echo "wine-fonts: regedit failed in $WINEPREFIX" >&2; exit 1; }
echo "$version" >"$marker"
