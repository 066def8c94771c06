#!/usr/bin/env bash
# Scores the decoder's float output (window sums before the 16-bit
# conversion) on the normative and lower-frequency reference streams with
# the vectors' compare.py; Layer I/II are scored against the 24-bit
# references.
#
#   bench/mpeg_float_score.sh [BUILD_DIR]    default build/host; output in BUILD_DIR/mpeg-float
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/host}
vectors=$root/../shared/mpeg-vectors
tool=$build/bin/mpeg_decode_tool
out=$build/mpeg-float
[ -x "$tool" ] || { echo "no $tool: build the host target mpeg_decode_tool" >&2; exit 1; }
[ -d "$vectors" ] || { echo "no vectors at $vectors" >&2; exit 1; }
rm -rf "$out" && mkdir -p "$out"
awk -F'\t' 'NR > 1 && ($10 == "iso11172-4" || $10 == "lsf13818-3") { print $1 }' \
  "$vectors/MANIFEST.tsv" | while read -r file; do
  "$tool" -q -F "$vectors/$file" "$out/${file%.bit}.wav"
done
python3 "$vectors/compare.py" "$out" --vectors "$vectors" --category iso11172-4,lsf13818-3 \
  --out "$out/scores.tsv"
cut -f1,12,13,17,21,22,23 "$out/scores.tsv" | column -t
