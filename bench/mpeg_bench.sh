#!/usr/bin/env bash
# Decoding speed of the program's MPEG decoder against mpg123: 10-minute
# 128 and 320 kbit/s Layer III and 192 kbit/s Layer II files made from a
# tone and noise mix, best of 5 (CPU seconds, user + system), and callgrind
# instruction counts on 30-second cuts for a ratio free of timing noise.
#
#   bench/mpeg_bench.sh [BUILD_DIR]    default build/host; files in BUILD_DIR/mpeg-bench
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/host}
tool=$build/bin/mpeg_decode_tool
work=$build/mpeg-bench
runs=${MPEG_BENCH_RUNS:-5}
[ -x "$tool" ] || { echo "no $tool: build the host target mpeg_decode_tool" >&2; exit 1; }
mkdir -p "$work"

make_files() {  # make_files SECONDS SUFFIX
  local wav=$work/mix$2.wav
  [ -s "$wav" ] || sox -n -r 44100 -c 2 -b 16 "$wav" synth "$1" sine 220-3520 sine 1000 \
    synth "$1" pinknoise mix vol 0.4
  [ -s "$work/l3_128$2.mp3" ] || lame --quiet -b 128 -m j "$wav" "$work/l3_128$2.mp3"
  [ -s "$work/l3_320$2.mp3" ] || lame --quiet -b 320 -m j "$wav" "$work/l3_320$2.mp3"
  [ -s "$work/l2_192$2.mp2" ] || twolame --quiet -b 192 -m j "$wav" "$work/l2_192$2.mp2"
}
make_files 600 ""
make_files 30 _30s

# Best of $runs CPU seconds of a command.
best() {
  local best="" t
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%U %S" -o "$work/time.txt" "$@" >/dev/null 2>&1
    t=$(awk '{print $1 + $2}' "$work/time.txt")
    best=$(echo "$t $best" | awk '{print ($2 == "" || $1 < $2) ? $1 : $2}')
  done
  echo "$best"
}

# Instructions callgrind counts for a command.
instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    awk '/Collected/ {print $NF}'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

printf '%-10s %8s %8s %8s %12s %12s\n' file ours mpg123 generic ours/mpg123 ours/generic
for f in l3_128.mp3 l3_320.mp3 l2_192.mp2; do
  ours=$(best "$tool" -q "$work/$f" /dev/null)
  default=$(best mpg123 -q -s "$work/$f")
  generic=$(best mpg123 --cpu generic -q -s "$work/$f")
  printf '%-10s %7ss %7ss %7ss %12s %12s\n' "$f" "$ours" "$default" "$generic" \
    "$(ratio "$ours" "$default")" "$(ratio "$ours" "$generic")"
done
echo
echo "callgrind instructions, 30-second files (millions)"
printf '%-14s %8s %8s %8s %12s %12s\n' file ours mpg123 generic ours/mpg123 ours/generic
for f in l3_128_30s.mp3 l3_320_30s.mp3 l2_192_30s.mp2; do
  ours=$(instructions "$tool" -q "$work/$f" /dev/null)
  default=$(instructions mpg123 -q -s "$work/$f")
  generic=$(instructions mpg123 --cpu generic -q -s "$work/$f")
  printf '%-14s %8d %8d %8d %12s %12s\n' "$f" $((ours / 1000000)) $((default / 1000000)) \
    $((generic / 1000000)) "$(ratio "$ours" "$default")" "$(ratio "$ours" "$generic")"
done
