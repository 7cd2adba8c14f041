#!/usr/bin/env bash
# Small clips in the older compressed formats that Wine's own AVI decoders handle (MS Video 1
# and Cinepak), for the channel graph test: one second of a moving pattern at 64x48, 25 fps,
# with a tone in the program's audio format (44.1 kHz 16-bit stereo PCM). Made at build time with ffmpeg, only when missing or older than this script.
#
#   make_codec_clips.sh <folder>
set -euo pipefail
folder=${1:?usage: make_codec_clips.sh <folder>}
command -v ffmpeg >/dev/null || { echo "make_codec_clips: ffmpeg is not installed (tools/setup-debian.sh)" >&2; exit 1; }
mkdir -p "$folder"
for codec in msvideo1 cinepak; do
  file=$folder/$codec.avi
  [ -s "$file" ] && [ "$file" -nt "$0" ] && continue
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=64x48:rate=25:duration=1" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1" \
    -ac 2 -c:v "$codec" -c:a pcm_s16le "$file.part.avi"
  mv "$file.part.avi" "$file"
done
