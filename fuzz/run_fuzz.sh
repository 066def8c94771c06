#!/usr/bin/env bash
# Builds the MPEG decoder fuzz target with clang (build/fuzz), seeds a corpus
# in build/fuzz-corpus from short lame/twolame streams and the reference
# vectors (when ../shared/mpeg-vectors is there) and runs one fuzzing worker.
#
#   fuzz/run_fuzz.sh [SECONDS]        default 600; findings go to build/fuzz-findings
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
build=$root/build/fuzz
corpus=$root/build/fuzz-corpus
findings=$root/build/fuzz-findings
vectors=$root/../shared/mpeg-vectors

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCANTARO_FUZZ=ON >"$build.configure.log"
cmake --build "$build" --target mpeg_decoder_fuzz -j2 >"$build.build.log"

mkdir -p "$corpus" "$findings"
if [ ! -e "$corpus/.seeded" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 1.5 sine 440 sine 3000 synth 1.5 pinknoise mix \
    vol 0.5 2>/dev/null || sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 1.5 sine 440 vol 0.5
  n=0
  # The first byte of a fuzz input selects the decoder's options; the seeds
  # vary it so that every output routine starts out covered.
  seed() {  # seed FILE: keep the first 16 KiB behind a control byte
    local control=$((n * 37 % 256))
    { printf "\\x$(printf %02x $control)"; head -c 16384 "$1"; } >"$corpus/seed_$n"
    n=$((n + 1))
  }
  for rate in 8 11.025 12 16 22.05 24 32 44.1 48; do
    for mode in m s j; do
      lame --quiet -m $mode --resample $rate -b 64 "$work/tone.wav" "$work/a.mp3" && seed "$work/a.mp3"
      lame --quiet -m $mode --resample $rate -V 2 "$work/tone.wav" "$work/a.mp3" && seed "$work/a.mp3"
    done
  done
  for args in "-b 320 -m j" "-b 32 -m m" "--abr 100 -m s" "--freeformat -b 400 -m s" \
              "--freeformat -b 24 -m m --resample 16" "-p -b 128 -m j" "-q 0 -V 0 -m j"; do
    lame --quiet $args "$work/tone.wav" "$work/a.mp3" && seed "$work/a.mp3"
  done
  for args in "-b 192 -m j" "-b 384 -m s" "-b 64 -m m" "-b 256 -m d" "-b 48 -m m" \
              "-e -b 192 -m s" "--freeformat -b 450 -m s"; do
    twolame --quiet $args "$work/tone.wav" "$work/a.mp2" 2>/dev/null && seed "$work/a.mp2"
  done
  sox "$work/tone.wav" -r 24000 "$work/tone24.wav"
  for args in "-b 96 -m j" "-b 32 -m m" "-b 160 -m s"; do
    twolame --quiet $args "$work/tone24.wav" "$work/a.mp2" 2>/dev/null && seed "$work/a.mp2"
  done
  if [ -d "$vectors" ]; then
    for f in "$vectors"/*.bit; do seed "$f"; done
  fi
  touch "$corpus/.seeded"
  echo "seeded $n inputs"
fi

cd "$findings"
"$build/bin/mpeg_decoder_fuzz" -max_len=20000 -timeout=10 -rss_limit_mb=2048 \
  -max_total_time="$seconds" -print_final_stats=1 "$corpus" 2>&1 | tail -n 25
