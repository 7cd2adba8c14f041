#!/usr/bin/env bash
# The AVI output's recordings as an independent reader sees them: the recording tests run
# under the emulator and leave their files in a folder of this script's, then Debian's
# ffprobe, run natively, reports each file's size, frame rate, stream count, duration and
# frames. Wine's AVI multiplexer takes video only, so every file has one stream there.
#
#   avi_ffprobe_check.sh <output folder> <avi_record_test.exe> <avi_director_test.exe> <emulator...>
set -uo pipefail
out=${1:?output folder}; record=${2:?recording test}; director=${3:?director test}; shift 3
[ $# -ge 1 ] || { echo "avi_ffprobe_check: no emulator" >&2; exit 2; }
command -v ffprobe >/dev/null || { echo "avi_ffprobe_check: ffprobe is missing (run tools/setup-debian.sh)" >&2; exit 1; }

rm -rf "$out" && mkdir -p "$out" || exit 1
out=$(cd "$out" && pwd)
# Wine's drive Z: is the Unix root.
winout="Z:${out//\//\\}"
RVX_AVI_KEEP_DIR=$winout "$@" "$record" --gtest_color=no \
  --gtest_filter='AviRecord.ProgramIsRecordedIntoATimeStampedAvi:AviRecord.SplitBySize*' || {
  echo "avi_ffprobe_check: the recording tests failed" >&2; exit 1; }
RVX_AVI_KEEP_DIR=$winout "$@" "$director" --gtest_color=no || {
  echo "avi_ffprobe_check: the director's recording failed" >&2; exit 1; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# check <file> <frames>: 64x48, 25/1, one stream, frames/25 seconds, that many frames.
check() {
  local file=$out/$1 frames=$2 json
  [ -f "$file" ] || { fail "$1 was not recorded"; return; }
  json=$(ffprobe -v error -count_frames -show_streams -show_format -of json "$file") \
    || { fail "ffprobe cannot read $1"; return; }
  python3 - "$1" "$frames" "$json" <<'PY' || failures=$((failures + 1))
import json, sys
name, frames, info = sys.argv[1], int(sys.argv[2]), json.loads(sys.argv[3])
problems = []
def expect(what, got, want):
    if got != want:
        problems.append(f"{what} is {got!r}, expected {want!r}")
fmt, streams = info.get("format", {}), info.get("streams", [])
expect("nb_streams", fmt.get("nb_streams"), 1)
expect("stream count", len(streams), 1)
video = [s for s in streams if s.get("codec_type") == "video"]
if video:
    v = video[0]
    expect("width", v.get("width"), 64)
    expect("height", v.get("height"), 48)
    expect("r_frame_rate", v.get("r_frame_rate"), "25/1")
    expect("frames read", int(v.get("nb_read_frames", -1)), frames)
else:
    problems.append("no video stream")
duration = float(fmt.get("duration", "nan"))
if not abs(duration - frames / 25.0) < 0.05:
    problems.append(f"duration is {duration}, expected {frames / 25.0}")
for p in problems:
    print(f"FAIL: {name}: {p}", file=sys.stderr)
print(f"{name}: {'ok' if not problems else 'wrong'} ({frames} frames expected)")
sys.exit(1 if problems else 0)
PY
}

check 070412153005.avi 75
# Two seconds of program from the director.
check 070412153020.avi 50
# The director's recording across a file switch held while frames flowed (same moment, so the
# next free names): 20 frames before the switch, the 6 of the switch and 20 after in the second.
check 070412153020_2.avi 20
check 070412153020_3.avi 26
# The split: 40 frames before the seam, 30 after, none lost or doubled between them; the
# file that already had the second file's name is untouched.
check 070412153010.avi 40
check 070412153011_2.avi 30
[ "$(cat "$out/070412153011.avi" 2>/dev/null)" = keep ] || fail "the split overwrote 070412153011.avi"

if [ "$failures" -ne 0 ]; then
  echo "avi_ffprobe_check: $failures failure(s)" >&2
  exit 1
fi
echo "avi_ffprobe_check: every recording reads back as recorded"
