#!/usr/bin/env bash
# Encoding a 10-minute CD-format WAV to MP3: the program's encoding step
# through LAME_ENC.DLL (bin/encode_tool.exe) against LAME's own command-line
# encoder, cross-built from the same Debian source with the same compiler
# and flags (bench/build_lame_frontend.sh builds it on first use, ~20 s).
# Both run under Wine with the first-run settings: 128 kbit/s CBR, stereo
# (mode value 0), quality 2, copyright set, original set, no CRC, no VBR
# header. Prints both times and their ratio.
set -euo pipefail
# A Wine prefix of the benchmarks' own: tests running at the same time in
# the shared one would meet this program's single-instance guard and its
# registry values, and share its Wine server.
export CANTARO_WINEPREFIX="${CANTARO_WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/bench/wine}"
source "$(dirname "$0")/../scripts/env.sh"
tool="$WINBUILD/bin/encode_tool.exe"
dll="${CANTARO_BENCH_DLL:-$WINBUILD/bin/LAME_ENC.DLL}"
image_tool="$ROOT/build/host/bin/disc_image_tool"
for f in "$tool" "$dll" "$image_tool"; do
  [ -f "$f" ] || { echo "missing $f: build both trees first (scripts/test or scripts/demo)"; exit 1; }
done
ensure_wine_prefix
lame_exe="$("$ROOT/bench/build_lame_frontend.sh" "$ROOT/build/lame" "$dll")"

# The source is ten minutes of the disc-image tool's music (what a rip
# encodes), made once and kept.
source_dir="$ROOT/build/bench/encode"
source_wav="$source_dir/music-600s.wav"
if [ ! -f "$source_wav" ] || [ "$image_tool" -nt "$source_wav" ]; then
  mkdir -p "$source_dir"
  "$image_tool" "$source_dir/music.cue" music,seconds=600,style=1 >/dev/null
  sox -t raw -r 44100 -b 16 -c 2 -e signed-integer -L "$source_dir/music.bin" "$source_wav.part.wav"
  mv "$source_wav.part.wav" "$source_wav"
  rm -f "$source_dir/music.cue" "$source_dir/music.bin"
fi

mkdir -p "$ROOT/build/bench"
work=$(mktemp -d "$ROOT/build/bench/encode-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
winpath() { echo "Z:${1//\//\\}"; }
cp "$source_wav" "$work/music.wav"
cp "$lame_exe" "$work/lame.exe"
# The tool binds the library beside it: CANTARO_BENCH_DLL compares builds.
cp "$tool" "$work/encode_tool.exe"
cp "$dll" "$work/LAME_ENC.DLL"
tool="$work/encode_tool.exe"

seconds() { local s=$EPOCHREALTIME; "$@" >>"$work/log" 2>&1; echo "$EPOCHREALTIME - $s" | bc -l; }
# Start the Wine server and warm the page cache before either is timed.
"$WINE" "$work/lame.exe" --version >/dev/null 2>&1 || { echo "lame.exe does not run under Wine"; exit 1; }
cat "$work/music.wav" >/dev/null

# Alternate the two, best of ROUNDS each: colleagues share the two cores,
# and the fastest run is the one least disturbed.
rounds="${ROUNDS:-2}"
ours="" peer="" step=""
mkdir -p "$work/ours"
for _ in $(seq 1 "$rounds"); do
  : >"$work/log"
  t=$(seconds "$WINE" "$tool" "$(winpath "$work/music.wav")" "$(winpath "$work/ours")")
  if [ -z "$ours" ] || [ "$(echo "$t < $ours" | bc -l)" = 1 ]; then
    ours=$t
    step=$(sed -n 's/^encoding step: \([0-9.]*\) s.*/\1/p' "$work/log" | tr -d '\r')
  fi
  # LAME's command line cannot set the private bit; it costs nothing to encode.
  t=$(seconds "$WINE" "$work/lame.exe" --quiet -b 128 -m s -q 2 -c -t \
    "$(winpath "$work/music.wav")" "$(winpath "$work/lame.mp3")")
  if [ -z "$peer" ] || [ "$(echo "$t < $peer" | bc -l)" = 1 ]; then peer=$t; fi
done
# Debian's native lame (64-bit here), same settings: CPU seconds, best of ROUNDS.
native=""
if command -v lame >/dev/null; then
  for _ in $(seq 1 "$rounds"); do
    t=$( { TIMEFORMAT='%3U %3S'; time lame --quiet -b 128 -m s -q 2 -c -t "$work/music.wav" "$work/native.mp3"; } 2>&1 |
      awk '{print $1 + $2}')
    if [ -z "$native" ] || [ "$(echo "$t < $native" | bc -l)" = 1 ]; then native=$t; fi
  done
fi
[ -s "$work/ours/music.MP3" ] && [ -s "$work/lame.mp3" ] ||
  { cat "$work/log"; echo "an encoder wrote nothing"; exit 1; }

printf 'encode 10 min CD WAV to 128 kbit/s MP3 under Wine, best of %s: ours %.3f s (encoding step %s s), '\
'lame.exe %.3f s, ours/lame %.3fx (goal <= 1.05x)\n' \
  "$rounds" "$ours" "${step:-?}" "$peer" "$(echo "$ours / $peer" | bc -l)"
if [ -n "$native" ] && [ -n "$step" ]; then
  printf '  native lame %s: %.3f s CPU; our encoding step / native lame %.3fx (goal <= 1.1x)\n' \
    "$(lame --version | sed -n '1s/.*version \([0-9.]*\).*/\1/p')" "$native" "$(echo "$step / $native" | bc -l)"
fi
printf '  output sizes: ours %s bytes (with a 128-byte ID3v1 tag), lame.exe %s bytes\n' \
  "$(stat -c %s "$work/ours/music.MP3")" "$(stat -c %s "$work/lame.mp3")"
# Same settings, same engine: the streams should match byte for byte but
# for the private bit of each frame header, which only our record sets.
/usr/bin/python3 - "$work/ours/music.MP3" "$work/lame.mp3" <<'PY'
import sys
RATES = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320]
def without_private_bits(data):
    data, at, frames = bytearray(data), 0, 0
    while at + 4 <= len(data) and data[at] == 0xFF and data[at + 1] & 0xE0 == 0xE0:
        data[at + 2] &= 0xFE
        at += 144000 * RATES[data[at + 2] >> 4] // 44100 + ((data[at + 2] >> 1) & 1)
        frames += 1
    return bytes(data), frames
ours, frames = without_private_bits(open(sys.argv[1], 'rb').read()[:-128])
lame, _ = without_private_bits(open(sys.argv[2], 'rb').read())
print(f'  MPEG streams ({frames} frames): {"identical" if ours == lame else "different"} '
      'apart from the private bit of the frame headers')
PY
