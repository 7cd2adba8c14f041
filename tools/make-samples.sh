#!/usr/bin/env bash
# Makes the two sample clips an operator loads into the channels at once: 10-second moving test
# patterns with a tone, MJPEG video and 16-bit stereo PCM at 44100 Hz in AVI, which Wine's own
# splitter decodes and the channel takes without resampling. Made only when missing.
#
#   make-samples.sh <folder>        (tools/run.sh uses <program folder>/samples)
set -euo pipefail
folder=${1:?usage: make-samples.sh <folder>}
command -v ffmpeg >/dev/null || { echo "make-samples: ffmpeg is not installed (tools/setup-debian.sh)" >&2; exit 1; }
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
mkdir -p "$folder"

# clip <file> <pattern> <tone Hz> <caption>; a clip made by an older version of this script is made again.
clip() {
  local file=$folder/$1 pattern=$2 tone=$3 caption=$4 label=""
  [ -s "$file" ] && [ "$file" -nt "$0" ] && return 0
  if [ -f "$font" ]; then
    label=",drawtext=fontfile=$font:text='$caption  %{pts\\:hms}':x=20:y=h-60:fontsize=36:fontcolor=white:box=1:boxcolor=black@0.6"
  fi
  ffmpeg -nostdin -v error -y \
    -f lavfi -i "$pattern=size=640x480:rate=25:duration=10$label" \
    -f lavfi -i "sine=frequency=$tone:sample_rate=44100:duration=10" \
    -ac 2 -c:v mjpeg -q:v 5 -pix_fmt yuvj420p -c:a pcm_s16le "$file.part.avi"
  mv "$file.part.avi" "$file"
  echo "make-samples: $file"
}
clip "sample1.avi" testsrc2 440 "Ravelmixer 1"
clip "sample2.avi" testsrc 1000 "Ravelmixer 2"
