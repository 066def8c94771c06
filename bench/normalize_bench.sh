#!/usr/bin/env bash
# Normalising a 10-minute CD-format WAV: our normaliser against sox, on the
# same file in one run. Prints both times and their ratio.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
tool="$ROOT/build/host/bin/normalize_tool"
[ -x "$tool" ] || { echo "build the host tree first (scripts/test or scripts/demo)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sox -n -r 44100 -b 16 -c 2 "$work/source.wav" synth 600 sine 220 sine 330 gain -12
cp "$work/source.wav" "$work/ours.wav"

seconds() { local s=$(date +%s.%N); "$@" >/dev/null 2>&1; echo "$(date +%s.%N) - $s" | bc -l; }
# Warm the page cache so both read from memory.
cat "$work/source.wav" >/dev/null
ours=$(seconds "$tool" "$work/ours.wav" 95)
peer=$(seconds sox --norm=-0.45 "$work/source.wav" "$work/sox.wav")
printf 'normalise 10 min CD WAV: ours %.3f s, sox %.3f s, sox/ours %.2fx\n' \
  "$ours" "$peer" "$(echo "$peer / $ours" | bc -l)"
