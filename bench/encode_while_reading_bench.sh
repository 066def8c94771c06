#!/usr/bin/env bash
# Ripping a 60-minute disc to MP3 from a virtual drive slowed to a real
# drive's speed (delay=0.556 ms a sector, about 24x): one step at a time
# against "encode while reading", in one run. A third rip to WAV only gives
# the drive's own time; the encoding time is the sequential MP3 rip's time
# less that. The goal for encode while reading is the larger of the drive's
# time and the encoding time divided by the cores, plus 10%.
# MINUTES=N (a multiple of 5, default 60) rips only the first tracks, for a
# quick look; DELAY=MS sets the drive's speed.
set -euo pipefail
export CANTARO_WINEPREFIX="${CANTARO_WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/bench/wine}"
source "$(dirname "$0")/../scripts/env.sh"
source "$ROOT/bench/rip_common.sh"
image_tool="$ROOT/build/host/bin/disc_image_tool"
for f in "$image_tool" "$WINBUILD/bin/demo_driver.exe" "$WINBUILD/bin/CantaroMaker.exe" "$WINBUILD/bin/LAME_ENC.DLL"; do
  [ -f "$f" ] || { echo "missing $f: build both trees first (scripts/test or scripts/demo)"; exit 1; }
done
ensure_wine_prefix
sixty_minute_disc "$image_tool"
minutes="${MINUTES:-60}"
count=$((minutes / 5)); [ "$count" -ge 1 ] && [ "$count" -le ${#tracks[@]} ] || { echo "MINUTES: 5..60"; exit 1; }
delay="${DELAY:-0.556}"
cores=$(nproc)

mkdir -p "$ROOT/build/bench"
work=$(mktemp -d "$ROOT/build/bench/parallel-rip.XXXXXX")
remember_setting OUTPUTFORMAT
remember_setting ENCODEWHILEREADING
restore() {
  restore_settings
  stop_own_display
  rm -rf "$work"
}
trap restore EXIT
start_display_if_needed

export CANTARO_VIRTUAL_DRIVES="V=$(winpath "$disc_dir/disc.cue")|delay=$delay"
list=$(seq -s, 1 "$count")
rip() {  # FORMAT PARALLEL NAME
  set_setting OUTPUTFORMAT "$1"
  set_setting ENCODEWHILEREADING "$2"
  mkdir -p "$work/$3"
  timed_rip "$list" "$work/$3" "$work/$3.log"
}
echo "ripping $minutes minutes ($count tracks) at delay=$delay ms a sector, $cores cores; three rips ..."
drive=$(rip 1 0 wav)
sequential=$(rip 0 0 sequential)
parallel=$(rip 0 1 parallel)

# Both MP3 rips wrote the same files.
same="the MP3 files of both rips are equal"
for f in "$work/sequential"/*.MP3; do
  cmp -s "$f" "$work/parallel/$(basename "$f")" || same="THE MP3 FILES DIFFER: $(basename "$f")"
done
[ "$(ls "$work/parallel"/*.MP3 | wc -l)" = "$count" ] || same="THE PARALLEL RIP WROTE $(ls "$work/parallel" | wc -l) FILES"
encode=$(echo "$sequential - $drive" | bc -l)
goal=$(echo "e = $encode / $cores; if ($drive > e) g = $drive else g = e; g * 1.1" | bc -l)
printf 'drive alone (WAV) %.1f s; one step at a time %.1f s (encoding %.1f s); encode while reading %.1f s\n' \
  "$drive" "$sequential" "$encode" "$parallel"
printf '  encode while reading / one step at a time %.2fx; goal max(drive, encoding/%d cores) + 10%% = %.1f s: %s\n' \
  "$(echo "$parallel / $sequential" | bc -l)" "$cores" "$goal" \
  "$([ "$(echo "$parallel <= $goal" | bc -l)" = 1 ] && echo met || echo MISSED)"
echo "  $same"
