#!/usr/bin/env bash
# What proving a rip costs, in one run: a rip of a 15-minute disc to MP3
# with MP3 verification (VERIFYMP3 1) against the same rip without it
# (goal: no more than 1.10x), and, for information, a rip to WAV with
# secure reading (SECUREREAD 1) against one without. Each rip is
# CantaroMaker.exe under Wine started by bin/demo_driver.exe with the
# shell's command line for every track, timed from the driver's start to
# the "Finished" window; the pairs alternate, best of ROUNDS each. The
# values it sets are put back (or deleted) at the end.
set -euo pipefail
export CANTARO_WINEPREFIX="${CANTARO_WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/bench/wine}"
source "$(dirname "$0")/../scripts/env.sh"
bin="$WINBUILD/bin"
image_tool="$ROOT/build/host/bin/disc_image_tool"
for f in "$image_tool" "$bin/demo_driver.exe" "$bin/CantaroMaker.exe" "$bin/LAME_ENC.DLL"; do
  [ -f "$f" ] || { echo "missing $f: build both trees first"; exit 1; }
done
ensure_wine_prefix
winpath() { echo "Z:${1//\//\\}"; }

tracks=(music,seconds=300,style=0 music,seconds=300,style=1 music,seconds=300,style=2)
disc_dir="$ROOT/build/bench/verify-disc"
if [ ! -f "$disc_dir/disc.bin" ] || [ "$image_tool" -nt "$disc_dir/disc.bin" ] \
   || [ "$(cat "$disc_dir/layout" 2>/dev/null)" != "${tracks[*]}" ]; then
  echo "writing the 15-minute disc image ..."
  rm -rf "$disc_dir" && mkdir -p "$disc_dir"
  "$image_tool" "$disc_dir/disc.cue" "${tracks[@]}" >/dev/null
  echo "${tracks[*]}" >"$disc_dir/layout"
fi

mkdir -p "$ROOT/build/bench"
work=$(mktemp -d "$ROOT/build/bench/verify-run.XXXXXX")
key='HKCU\SoftWare\BRENMARK\TAMBOUR'
names=(OUTPUTFORMAT VERIFYMP3 SECUREREAD)
declare -A saved
for name in "${names[@]}"; do
  saved[$name]=$("$WINE" reg query "$key" /v "$name" 2>/dev/null | tr -d '\r' |
    awk -v n="$name" '$1 == n {print $3}' || true)
done
started_xvfb=""
restore() {
  for name in "${names[@]}"; do
    if [ -n "${saved[$name]}" ]; then
      "$WINE" reg add "$key" /v "$name" /t REG_DWORD /d "$((saved[$name]))" /f >/dev/null 2>&1 || true
    else
      "$WINE" reg delete "$key" /v "$name" /f >/dev/null 2>&1 || true
    fi
  done
  if [ -n "$started_xvfb" ]; then
    timeout 15 "$WINESERVER" -w 2>/dev/null || true
    kill "$started_xvfb" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap restore EXIT
set_value() { "$WINE" reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 99); do [ -e /tmp/.X11-unix/X$n ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 >/dev/null 2>&1 &
  started_xvfb=$!
  export DISPLAY=":$n"
  sleep 1
fi

elapsed() { echo "$2 - $1" | bc -l; }
best() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
cat "$disc_dir/disc.bin" >/dev/null
export CANTARO_VIRTUAL_DRIVES="V=$(winpath "$disc_dir/disc.cue")"
list=$(seq -s, 1 ${#tracks[@]})

# One rip with the values given as NAME=VALUE; prints its seconds.
rip() {
  for pair in "$@"; do set_value "${pair%=*}" "${pair#*=}"; done
  rm -rf "$work/out" "$work/close-now" && mkdir -p "$work/out"
  local s finished="" line
  s=$EPOCHREALTIME
  while IFS= read -r line; do
    line=${line%$'\r'}
    case "$line" in
      FINISHED) finished=$EPOCHREALTIME; touch "$work/close-now" ;;
      *"did not appear"*) echo "$line" >&2; touch "$work/close-now" ;;
    esac
  done < <("$WINE" "$bin/demo_driver.exe" --wait-title Finished --close-when "$(winpath "$work/close-now")" \
             "-A$list  -DV -F$(winpath "$work/out")" 2>&1)
  [ -n "$finished" ] || { echo "the rip did not finish" >&2; exit 1; }
  elapsed "$s" "$finished"
}

rounds="${ROUNDS:-3}"
plain="" verified="" wav="" secure=""
for round in $(seq 1 "$rounds"); do
  # Which of the pair goes first changes every round: the machine is shared.
  if [ $((round % 2)) = 1 ]; then
    plain=$(best "$plain" "$(rip OUTPUTFORMAT=0 VERIFYMP3=0 SECUREREAD=0)")
    verified=$(best "$verified" "$(rip OUTPUTFORMAT=0 VERIFYMP3=1 SECUREREAD=0)")
  else
    verified=$(best "$verified" "$(rip OUTPUTFORMAT=0 VERIFYMP3=1 SECUREREAD=0)")
    plain=$(best "$plain" "$(rip OUTPUTFORMAT=0 VERIFYMP3=0 SECUREREAD=0)")
  fi
  wav=$(best "$wav" "$(rip OUTPUTFORMAT=1 VERIFYMP3=0 SECUREREAD=0)")
  secure=$(best "$secure" "$(rip OUTPUTFORMAT=1 VERIFYMP3=0 SECUREREAD=1)")
done

printf 'rip 15 min disc (%d tracks) to MP3, best of %s: with verification %.3f s, without %.3f s\n' \
  "${#tracks[@]}" "$rounds" "$verified" "$plain"
printf '  verified/plain %.3fx (goal <= 1.10x)\n' "$(echo "$verified / $plain" | bc -l)"
printf 'rip to WAV: secure reading %.3f s, plain %.3f s, secure/plain %.2fx (for information)\n' \
  "$secure" "$wav" "$(echo "$secure / $wav" | bc -l)"
