#!/usr/bin/env bash
# Builds LAME's own command-line encoder (lame.exe) for the encoding
# benchmark, the same way third_party/lame/build_lame.sh built LAME_ENC.DLL:
# from the same unpacked Debian source in the shared cache, with the
# compiler and compiler flags that build recorded, static. Prints the path
# of lame.exe.
#
#   build_lame_frontend.sh CACHE_DIR LAME_ENC.DLL
#
# The cache folder whose LAME_ENC.DLL is byte for byte the given one is the
# build to match; lame.exe is kept in it, so it is rebuilt whenever the
# library's recipe changes (that makes a new folder) and otherwise once.
set -euo pipefail

cache=$1 dll=$2
[ -d "$cache" ] || { echo "build_lame_frontend: no cache in $cache; build the Win32 tree first" >&2; exit 1; }
work=""
for candidate in "$cache"/lame_*/; do
  if [ -f "$candidate/LAME_ENC.DLL" ] && cmp -s "$candidate/LAME_ENC.DLL" "$dll"; then
    work="${candidate%/}"
  fi
done
[ -n "$work" ] || { echo "build_lame_frontend: no cached build matches $dll; rebuild the Win32 tree" >&2; exit 1; }

# The library's build holds this lock too while it writes the cache.
exec 9>"$cache/.lock"
flock 9

if [ ! -f "$work/frontend/lame.exe" ]; then
  unset MAKEFLAGS MFLAGS MAKELEVEL
  cc="$(sed -n 's/^CC = //p' "$work/obj/Makefile")"
  cflags="$(sed -n 's/^CFLAGS = *//p' "$work/obj/Makefile")"
  nasm=()
  grep -q '^NASM = .*nasm' "$work/obj/Makefile" && nasm=(--enable-nasm)
  log="$work/frontend-build.log"
  start=$SECONDS
  echo "build_lame_frontend: building lame.exe ($cc, CFLAGS $cflags), log in $log" >&2
  rm -rf "$work/frontend.part" && mkdir -p "$work/frontend.part/obj"
  cd "$work/frontend.part/obj"
  SOURCE_DATE_EPOCH="$(dpkg-parsechangelog -l "$work/src/debian/changelog" -STimestamp)"
  export SOURCE_DATE_EPOCH
  # As the library's build, but with the frontend; linked -static as the
  # DLL is, so that it needs no other file.
  "$work/src/configure" --host="$("$cc" -dumpmachine)" CC="$cc" CFLAGS="$cflags" LDFLAGS="-static" "${nasm[@]}" \
    --enable-frontend --disable-decoder --disable-shared --enable-static >"$log" 2>&1 \
    || { tail -n 30 "$log" >&2; echo "build_lame_frontend: configure failed" >&2; exit 1; }
  make -j"${CANTARO_LAME_JOBS:-2}" -C libmp3lame >>"$log" 2>&1 &&
    make -j"${CANTARO_LAME_JOBS:-2}" -C frontend >>"$log" 2>&1 \
    || { tail -n 30 "$log" >&2; echo "build_lame_frontend: make failed" >&2; exit 1; }
  mkdir -p "$work/frontend.part/out"
  cp frontend/lame.exe "$work/frontend.part/out/lame.exe"
  cd "$work"
  rm -rf "$work/frontend" && mv "$work/frontend.part/out" "$work/frontend" && rm -rf "$work/frontend.part"
  echo "build_lame_frontend: built lame.exe in $((SECONDS - start)) s" >&2
fi
echo "$work/frontend/lame.exe"
