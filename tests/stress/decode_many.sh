#!/usr/bin/env bash
# Stress run of the job machinery: the end-to-end decode of fifteen streams
# handed over through the exchange area, RUNS times in a row (default 20),
# with both cores kept busy by a background load unless --no-load is given.
# Every run must finish, and every run's WAV files must be the same bytes as
# the first run's. Not part of scripts/test: run it by hand after a build.
#   tests/stress/decode_many.sh [RUNS] [--no-load]
set -uo pipefail
source "$(dirname "$0")/../../scripts/env.sh"
cd "$ROOT"
runs=20
load=1
for arg in "$@"; do
  case "$arg" in
    --no-load) load=0 ;;
    *) runs="$arg" ;;
  esac
done
vectors="$ROOT/../shared/mpeg-vectors"
e2e="$WINBUILD/bin/e2e_tests.exe"
[ -x "$e2e" ] || { echo "build first: $e2e is missing"; exit 1; }
[ -d "$vectors" ] || { echo "needs the reference vectors in $vectors"; exit 1; }
ensure_wine_prefix

work="$ROOT/build/stress-decode"
rm -rf "$work"; mkdir -p "$work/streams"
# Thirteen conformance streams and two MPEG-2 Layer III streams at
# 22.05 kHz from lame, the thirteenth and fifteenth in the job.
n=0
for name in l1-fl1 l1-fl2 l1-fl3 l1-fl4 l2-fl10 l2-fl11 l2-fl12 l2-fl13 l2-test32 l3-compl l3-he_32khz l3-he_44khz \
            lsf-a M2L3_compl24 lsf-b; do
  n=$((n + 1))
  target="$work/streams/$(printf %02d $n)-$name"
  case "$name" in
    lsf-*)
      sox -n -r 22050 -c 2 -b 16 "$work/$name.wav" synth 6 sine 300-3000 sine 440 gain -6 2>/dev/null
      lame --quiet -b 32 "$work/$name.wav" "$target.mp3" ;;
    *) cp "$vectors/$name.bit" "$target.bit" ;;
  esac
done

winpath() { echo "Z:${1//\//\\}"; }
loaders=()
if [ $load -eq 1 ]; then
  for _ in 1 2; do nice -n 10 bash -c 'while :; do :; done' & loaders+=($!); done
fi
cleanup() { for p in "${loaders[@]}"; do kill "$p" 2>/dev/null; done; }
trap cleanup EXIT

passed=0 failed=0 differed=0
for i in $(seq 1 "$runs"); do
  out="$work/out-$i"
  mkdir -p "$out"
  if (cd "$WINBUILD" && CANTARO_DECODE_STREAMS="$(winpath "$work/streams")" CANTARO_DECODE_OUTPUT="$(winpath "$out")" \
      xvfb-run -a -s "-screen 0 1024x768x24" "$WINE" "$e2e" \
      --gtest_filter='ExchangeTest.DecodeRequestOfManyStreamsDecodesEveryOneInOrder' >"$work/run-$i.log" 2>&1); then
    (cd "$out" && md5sum *.WAV) >"$work/sums-$i"
    if [ "$i" -gt 1 ] && ! cmp -s "$work/sums-1" "$work/sums-$i"; then
      differed=$((differed + 1)); echo "run $i: outputs differ from run 1"
    fi
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); echo "run $i failed: $work/run-$i.log"
    grep -A3 "Failure\|failed" "$work/run-$i.log" | head -20
  fi
  "$WINESERVER" -k 2>/dev/null
done
echo "stress decode: $runs runs of $(ls "$work/streams" | wc -l) streams;" \
  "$passed finished, $failed failed, $differed differed"
[ $failed -eq 0 ] && [ $differed -eq 0 ]
