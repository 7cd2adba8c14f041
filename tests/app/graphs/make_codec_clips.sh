#!/usr/bin/env bash
# Small clips in the older compressed formats that Wine's own AVI decoders handle (MS Video 1
# and Cinepak), for the channel graph test: one second of a moving pattern at 64x48, 25 fps,
# video only. Made at build time with ffmpeg, only when missing or older than this script.
#
#   make_codec_clips.sh <folder>
set -euo pipefail
folder=${1:?usage: make_codec_clips.sh <folder>}
command -v ffmpeg >/dev/null || { echo "make_codec_clips: ffmpeg is not installed (tools/setup-debian.sh)" >&2; exit 1; }
mkdir -p "$folder"
for codec in msvideo1 cinepak; do
  file=$folder/$codec.avi
  [ -s "$file" ] && [ "$file" -nt "$0" ] && continue
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=64x48:rate=25:duration=1" -an -c:v "$codec" "$file.part.avi"
  mv "$file.part.avi" "$file"
done
