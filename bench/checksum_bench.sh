#!/usr/bin/env bash
# The rip's checksums (CRC32, AccurateRip v1 and v2 and the verdict) against
# the same rip without them, in one run: the extraction step of the host
# build reads a 30-minute disc image from the virtual drive into WAV files,
# alternating the two, best of ROUNDS (default 3) each, and prints the
# ratio. The goal is no measurable cost: within a few per cent.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
tool="$ROOT/build/host/bin/rip_checksum_tool"
image_tool="$ROOT/build/host/bin/disc_image_tool"
for f in "$tool" "$image_tool"; do
  [ -x "$f" ] || { echo "missing $f: build the host tree first"; exit 1; }
done
tracks=(music,seconds=300,style=0 chord,seconds=300 music,seconds=300,style=1 noise,seconds=300,seed=3,amp=0.2
        music,seconds=300,style=2 tone,seconds=300,freq=440,amp=0.3)
disc_dir="$ROOT/build/bench/checksum-disc"
if [ ! -f "$disc_dir/disc.bin" ] || [ "$(cat "$disc_dir/layout" 2>/dev/null)" != "${tracks[*]}" ]; then
  echo "writing the 30-minute disc image ..."
  rm -rf "$disc_dir" && mkdir -p "$disc_dir"
  "$image_tool" "$disc_dir/disc.cue" "${tracks[@]}" >/dev/null
  echo "${tracks[*]}" >"$disc_dir/layout"
fi
work=$(mktemp -d "$ROOT/build/bench/checksum-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
cat "$disc_dir/disc.bin" >/dev/null  # from the page cache, for both
"$tool" "$disc_dir/disc.cue" "$work" "${ROUNDS:-3}"
