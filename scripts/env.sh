# Shared by the scripts: where the builds and the Wine prefix live.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
JOBS="${CANTARO_JOBS:-2}"
# Paths under the checkout become relative, so two checkouts hit one cache.
export CCACHE_BASEDIR="$ROOT" CCACHE_NOHASHDIR=1

# The Windows tree runs under Wine. The program is 32-bit, but a machine
# whose kernel runs no 32-bit code (ia32 emulation off) has no 32-bit Wine;
# there the same sources are built for 64-bit Windows and their tests run
# under 64-bit Wine. CANTARO_WINDOWS_ARCH=win32|win64 chooses by hand.
can_run_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
choose_windows_build() {
  if [ -z "${CANTARO_WINDOWS_ARCH:-}" ]; then
    CANTARO_WINDOWS_ARCH=win32
    [ -x /usr/lib/wine/wine64 ] && ! can_run_32bit && CANTARO_WINDOWS_ARCH=win64
  fi
  export CANTARO_WINDOWS_ARCH
  WINBUILD="$ROOT/build/$CANTARO_WINDOWS_ARCH"
  export WINEARCH="$CANTARO_WINDOWS_ARCH"
  if [ "$CANTARO_WINDOWS_ARCH" = win64 ]; then
    TOOLCHAIN="$ROOT/cmake/mingw-x86_64.cmake"
    export WINEPREFIX="${CANTARO_WINEPREFIX:-$ROOT/build/wine64}"
    # Straight to the 64-bit loader: the wine script would pick the 32-bit one.
    export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
    WINE=$WINELOADER
  else
    TOOLCHAIN="$ROOT/cmake/mingw-i686.cmake"
    export WINEPREFIX="${CANTARO_WINEPREFIX:-$ROOT/build/wine}"
    WINE=wine
    WINESERVER=wineserver
  fi
}
choose_windows_build

# Configures and builds both trees.
build_all() {
  cmake -S "$ROOT" -B "$ROOT/build/host" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$ROOT/build/host-configure.log" 2>&1 \
    || { cat "$ROOT/build/host-configure.log"; return 1; }
  cmake --build "$ROOT/build/host" -j"$JOBS" || return 1
  cmake -S "$ROOT" -B "$WINBUILD" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$WINBUILD-configure.log" 2>&1 \
    || { cat "$WINBUILD-configure.log"; return 1; }
  cmake --build "$WINBUILD" -j"$JOBS" || return 1
}

# Creates the Wine prefix once, without the Mono and Gecko prompts.
ensure_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
  fi
}
