# Sourced by the rip benchmarks (after scripts/env.sh): the disc, the
# display, the program's settings and a timed rip.

# A 60-minute disc of twelve five-minute tracks of music and tones, written
# once (about 30 s) into build/bench/rip-disc and kept while the tool and the
# layout stay the same. Sets disc_dir, tracks and bin_bytes.
sixty_minute_disc() {
  local image_tool="$1"
  tracks=(music,seconds=300,style=0 music,seconds=300,style=1 music,seconds=300,style=2 music,seconds=300,style=3
          chord,seconds=300 music,seconds=300,style=0 tone,seconds=300,freq=440,amp=0.3 music,seconds=300,style=1
          chord,seconds=300,freq=220+277.18+329.63 music,seconds=300,style=2 noise,seconds=300,seed=3,amp=0.2
          music,seconds=300,style=3)
  disc_dir="$ROOT/build/bench/rip-disc"
  if [ ! -f "$disc_dir/disc.bin" ] || [ "$image_tool" -nt "$disc_dir/disc.bin" ] \
     || [ "$(cat "$disc_dir/layout" 2>/dev/null)" != "${tracks[*]}" ]; then
    echo "writing the 60-minute disc image ..."
    rm -rf "$disc_dir" && mkdir -p "$disc_dir"
    "$image_tool" "$disc_dir/disc.cue" "${tracks[@]}" >/dev/null
    echo "${tracks[*]}" >"$disc_dir/layout"
  fi
  bin_bytes=$(stat -c %s "$disc_dir/disc.bin")
}

# DWORD settings of the program that a benchmark changes: remember_setting
# before the first change, restore_settings in the EXIT trap.
settings_key='HKCU\SoftWare\BRENMARK\TAMBOUR'
declare -A saved_settings=()
remember_setting() {
  saved_settings[$1]=$("$WINE" reg query "$settings_key" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v n="$1" 'toupper($1) == n {print $3}' || true)
}
set_setting() { "$WINE" reg add "$settings_key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
restore_settings() {
  local name
  for name in "${!saved_settings[@]}"; do
    if [ -n "${saved_settings[$name]}" ]; then
      set_setting "$name" "$((saved_settings[$name]))" || true
    else
      "$WINE" reg delete "$settings_key" /v "$name" /f >/dev/null 2>&1 || true
    fi
  done
}

# A display for the program when there is none; the EXIT trap calls
# stop_own_display.
own_display=""
start_display_if_needed() {
  [ -n "${DISPLAY:-}" ] && return
  local n
  for n in $(seq 90 99); do [ -e /tmp/.X11-unix/X$n ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 >/dev/null 2>&1 &
  own_display=$!
  export DISPLAY=":$n"
  sleep 1
}
stop_own_display() {
  [ -n "$own_display" ] || return 0
  # Wine's desktop process leaves with the last program; then the display can go.
  timeout 15 "$WINESERVER" -w 2>/dev/null || true
  kill "$own_display" 2>/dev/null || true
}

# Rips tracks LIST of virtual drive V: (CANTARO_VIRTUAL_DRIVES) into folder
# OUT with bin/demo_driver.exe, the shell's command line; prints the seconds
# from the driver's start to the "Finished" window.
timed_rip() {
  local list="$1" out="$2" log="$3" s finished="" line
  rm -f "$out.close-now"
  s=$EPOCHREALTIME
  while IFS= read -r line; do
    line=${line%$'\r'}
    case "$line" in
      FINISHED) finished=$EPOCHREALTIME; touch "$out.close-now" ;;
      *"did not appear"*) echo "$line" >&2; touch "$out.close-now" ;;
    esac
    echo "$line" >>"$log"
  done < <("$WINE" "$WINBUILD/bin/demo_driver.exe" --wait-title Finished --close-when "$(winpath "$out.close-now")" \
             "-A$list  -DV -F$(winpath "$out")" 2>&1)
  [ -n "$finished" ] || { cat "$log" >&2; echo "the rip did not finish" >&2; return 1; }
  echo "$finished - $s" | bc -l
}
winpath() { echo "Z:${1//\//\\}"; }
