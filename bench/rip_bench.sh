#!/usr/bin/env bash
# Ripping a 60-minute disc from the virtual drive to WAV files against
# copying its BIN file, in one run. The rip is CantaroMaker.exe under Wine,
# started by bin/demo_driver.exe with the shell's command line for all
# twelve tracks and OUTPUTFORMAT 1 (WAV only); it is timed from the start
# of the driver (Wine start, the program's start-up, the rip) to the
# "Finished" window. The peers are cp of the BIN and, fairer, CopyFileA in
# bin/copy_tool.exe under Wine, timed from its start to its exit. Prints the
# times and the ratios; the goal is a rip within 1.3x of the copy.
set -euo pipefail
# A Wine prefix of the benchmarks' own: tests running at the same time in
# the shared one would meet this program's single-instance guard and its
# registry values, and share its Wine server.
export CANTARO_WINEPREFIX="${CANTARO_WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/bench/wine}"
source "$(dirname "$0")/../scripts/env.sh"
source "$ROOT/bench/rip_common.sh"
bin="$WINBUILD/bin"
image_tool="$ROOT/build/host/bin/disc_image_tool"
for f in "$image_tool" "$bin/demo_driver.exe" "$bin/CantaroMaker.exe" "$bin/copy_tool.exe"; do
  [ -f "$f" ] || { echo "missing $f: build both trees first (scripts/test or scripts/demo)"; exit 1; }
done
ensure_wine_prefix

sixty_minute_disc "$image_tool"

mkdir -p "$ROOT/build/bench"
work=$(mktemp -d "$ROOT/build/bench/rip-run.XXXXXX")
remember_setting OUTPUTFORMAT
restore() {
  restore_settings
  stop_own_display
  rm -rf "$work"
}
trap restore EXIT
set_setting OUTPUTFORMAT 1
start_display_if_needed

elapsed() { echo "$2 - $1" | bc -l; }
# Every run reads the BIN from the page cache and starts with no dirty
# pages of the run before.
cat "$disc_dir/disc.bin" >/dev/null
"$WINE" "$bin/copy_tool.exe" >/dev/null 2>&1 || true  # starts the Wine server
# What starting a Win32 program under Wine costs, part of both Wine times.
s=$EPOCHREALTIME; "$WINE" "$bin/copy_tool.exe" >/dev/null 2>&1 || true; e=$EPOCHREALTIME
wine_start=$(elapsed "$s" "$e")
sync

best() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
CANTARO_VIRTUAL_DRIVES="V=$(winpath "$disc_dir/disc.cue")"
export CANTARO_VIRTUAL_DRIVES
list=$(seq -s, 1 ${#tracks[@]})
# Alternate the three, best of ROUNDS each: colleagues share the two cores
# and the disk, and the fastest run is the one least disturbed.
rounds="${ROUNDS:-3}"
copy="" wine_copy="" rip="" startup=""
for round in $(seq 1 "$rounds"); do
  s=$EPOCHREALTIME; cp "$disc_dir/disc.bin" "$work/cp.bin"; e=$EPOCHREALTIME
  copy=$(best "$copy" "$(elapsed "$s" "$e")")
  rm -f "$work/cp.bin"; sync

  s=$EPOCHREALTIME
  "$WINE" "$bin/copy_tool.exe" "$(winpath "$disc_dir/disc.bin")" "$(winpath "$work/copy.bin")"
  e=$EPOCHREALTIME
  wine_copy=$(best "$wine_copy" "$(elapsed "$s" "$e")")
  [ "$(stat -c %s "$work/copy.bin")" = "$bin_bytes" ] || { echo "copy_tool copied the wrong size"; exit 1; }
  rm -f "$work/copy.bin"; sync

  rm -rf "$work/out" "$work/close-now" && mkdir -p "$work/out"
  ready="" finished=""
  s=$EPOCHREALTIME
  # The driver's lines arrive as it flushes them; reading them blocks, so
  # the wait takes no time from the rip.
  while IFS= read -r line; do
    line=${line%$'\r'}
    case "$line" in
      READY) ready=$EPOCHREALTIME ;;
      FINISHED) finished=$EPOCHREALTIME; touch "$work/close-now" ;;
      *"did not appear"*) echo "$line"; touch "$work/close-now" ;;
    esac
    echo "$line" >>"$work/driver.log"
  done < <("$WINE" "$bin/demo_driver.exe" --wait-title Finished --close-when "$(winpath "$work/close-now")" \
             "-A$list  -DV -F$(winpath "$work/out")" 2>&1)
  [ -n "$finished" ] || { cat "$work/driver.log"; echo "the rip did not finish"; exit 1; }
  this=$(elapsed "$s" "$finished")
  if [ "$(best "$rip" "$this")" = "$this" ]; then
    rip=$this
    startup=$(elapsed "$s" "${ready:-$finished}")
  fi
  # The last round's files are checked below.
  [ "$round" = "$rounds" ] || { rm -rf "$work/out"; sync; }
done

# The WAV files hold the disc, in track order, byte for byte.
wav_bytes=0
for f in "$work/out"/*.WAV; do wav_bytes=$((wav_bytes + $(stat -c %s "$f") - 44)); done
if [ "$wav_bytes" != "$bin_bytes" ]; then
  echo "the WAV files hold $wav_bytes bytes of audio, the disc $bin_bytes"; exit 1
fi
if ls "$work/out/Track 1.WAV" >/dev/null 2>&1; then
  for i in $(seq 1 ${#tracks[@]}); do tail -c +45 "$work/out/Track $i.WAV"; done | cmp -s - "$disc_dir/disc.bin" \
    && check="the WAV data equal the BIN" || check="THE WAV DATA DIFFER FROM THE BIN"
else
  check="WAV sizes add up to the BIN (the naming rule is not <title>, bytes not compared)"
fi

printf 'rip 60 min disc (%d tracks, %d bytes) to WAV, best of %s: ours %.3f s (%.3f s of it until the main window), '\
'cp %.3f s, CopyFileA under Wine %.3f s\n' \
  "${#tracks[@]}" "$bin_bytes" "$rounds" "$rip" "$startup" "$copy" "$wine_copy"
printf '  ours/cp %.2fx, ours/CopyFileA %.2fx (goal <= 1.3x); starting a Win32 program under Wine takes %.3f s\n' \
  "$(echo "$rip / $copy" | bc -l)" "$(echo "$rip / $wine_copy" | bc -l)" "$wine_start"
echo "  $check"
