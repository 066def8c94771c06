#!/usr/bin/env bash
# Builds LAME_ENC.DLL from Debian's lame source package and copies it, with
# BLADEENC.DLL (the same library under the other name), into a folder.
#
#   build_lame.sh CACHE_DIR C_COMPILER OUTPUT_DIR
#
# The package is fetched once into CACHE_DIR/download; the library is built
# once per recipe (this script, the compiler, the package version) into
# CACHE_DIR/<key>/, which every build tree shares. A lock keeps two trees
# that build at the same time from racing on the cache.
set -euo pipefail

cache=$1 cc=$2 out=$3
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
jobs="${CANTARO_LAME_JOBS:-2}"
mkdir -p "$cache" "$out"
cache="$(cd "$cache" && pwd)"

# Called from inside make: the jobserver's descriptors are not passed down
# to this recipe, so a sub-make would fall back to one job with a warning.
unset MAKEFLAGS MFLAGS MAKELEVEL

log="$cache/last-build.log"
fail() {
  echo "build_lame: $*" >&2
  [ -s "$log" ] && tail -n 40 "$log" >&2
  exit 1
}

exec 9>"$cache/.lock"
flock 9

download="$cache/download"
if ! ls "$download"/lame_*.dsc >/dev/null 2>&1; then
  rm -rf "$download.part" && mkdir -p "$download.part"
  echo "build_lame: fetching Debian's lame source package"
  (cd "$download.part" && apt-get source --download-only lame) >"$log" 2>&1 \
    || fail "apt-get source lame failed; scripts/setup adds the deb-src list and runs apt-get update"
  rm -rf "$download" && mv "$download.part" "$download"
fi
dsc="$(ls "$download"/lame_*.dsc | sort -V | tail -n 1)"

key="$( { cat "$0"; "$cc" --version | sed -n 1p; basename "$dsc"; } | sha256sum | cut -c1-16)"
work="$cache/$(basename "$dsc" .dsc)-$key"

if [ ! -f "$work/LAME_ENC.DLL" ]; then
  start=$SECONDS
  rm -rf "$work.part" && mkdir -p "$work.part"
  cd "$work.part"
  dpkg-source --no-check -x "$dsc" src >"$log" 2>&1 || fail "dpkg-source -x failed"

  # LAME's interface header packs its records with an attribute that GCC
  # attaches to the pointer typedef and ignores, which would move the plain
  # form's fields off their published byte offsets (wBitrate at 10, not 9).
  # The MSVC branch of the same header packs with #pragma pack, which GCC
  # honours.
  sed -i -e 's/^#ifdef __GNUC__$/#if 0 \/* packed by #pragma below *\//' \
         -e 's/^#ifndef __GNUC__$/#if 1/' src/Dll/BladeMP3EncDLL.h
  ! grep -q '__GNUC__' src/Dll/BladeMP3EncDLL.h || fail "BladeMP3EncDLL.h changed; revisit its packing"

  # The DLL source includes <Windef.h>; mingw-w64 spells its headers in
  # lower case and Linux file names are case-sensitive.
  mkdir -p shim && echo '#include <windef.h>' >shim/Windef.h

  # beVersion reports the compile date (__DATE__); take the package's own
  # release date so that every build of one package version is the same.
  export SOURCE_DATE_EPOCH="$(dpkg-parsechangelog -l src/debian/changelog -STimestamp)"

  # Only the library: no frontend, no mpg123 decoder (the DLL only
  # encodes), static so that the DLL needs no other file. Built for speed
  # with the flags LAME's own configure gives GCC on x86 (it cannot tell a
  # cross compiler is GCC, so they are named here), and on 32-bit x86 with
  # its NASM routines and SSE2 arithmetic in place of the x87.
  host="$("$cc" -dumpmachine)"
  cflags="-O3 -fomit-frame-pointer -ffast-math -funroll-loops -fschedule-insns2 -maccumulate-outgoing-args"
  nasm=()
  case "$host" in
    i?86-*)
      command -v nasm >/dev/null || fail "nasm is missing; scripts/setup installs it"
      cflags="$cflags -march=i686 -msse2 -mfpmath=sse"
      nasm=(--enable-nasm)
      ;;
  esac
  mkdir -p obj && cd obj
  ../src/configure --host="$host" CC="$cc" CFLAGS="$cflags" "${nasm[@]}" \
    --disable-frontend --disable-decoder --disable-shared --enable-static \
    >>"$log" 2>&1 || fail "configure failed"
  make -j"$jobs" -C libmp3lame >>"$log" 2>&1 || fail "make libmp3lame failed"
  cd ..

  # LAME's own .def gives the undecorated names and ordinals of its DLL.
  "$cc" -O2 -shared -static -static-libgcc -s -Ishim -Isrc/include -Iobj \
    -o LAME_ENC.DLL src/Dll/BladeMP3EncDLL.c src/Dll/BladeMP3EncDLL.def obj/libmp3lame/.libs/libmp3lame.a \
    >>"$log" 2>&1 || fail "linking LAME_ENC.DLL failed"

  echo "$host" >target
  cd "$cache"
  rm -rf "$work" && mv "$work.part" "$work"
  # Builds by an older recipe for this compiler are no longer wanted; the
  # other target's build stays for its tree.
  for old in "$cache"/lame_*/; do
    old="${old%/}"
    [ "$old" != "$work" ] && [ -f "$old/target" ] && [ "$(cat "$old/target")" = "$host" ] && rm -rf "$old"
  done
  echo "build_lame: built $(basename "$work")/LAME_ENC.DLL in $((SECONDS - start)) s"
fi

# Copy rather than link: a build tree must not change when the cache does.
cp -f "$work/LAME_ENC.DLL" "$out/LAME_ENC.DLL.tmp" && mv -f "$out/LAME_ENC.DLL.tmp" "$out/LAME_ENC.DLL"
cp -f "$work/LAME_ENC.DLL" "$out/BLADEENC.DLL.tmp" && mv -f "$out/BLADEENC.DLL.tmp" "$out/BLADEENC.DLL"
