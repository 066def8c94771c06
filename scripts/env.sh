# Shared by the scripts: where the builds and the Wine prefix live.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${CANTARO_WINEPREFIX:-$ROOT/build/wine}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32
JOBS="${CANTARO_JOBS:-2}"

# Configures and builds both trees.
build_all() {
  cmake -S "$ROOT" -B "$ROOT/build/host" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$ROOT/build/host-configure.log" 2>&1 \
    || { cat "$ROOT/build/host-configure.log"; return 1; }
  cmake --build "$ROOT/build/host" -j"$JOBS" || return 1
  cmake -S "$ROOT" -B "$ROOT/build/win32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$ROOT/build/win32-configure.log" 2>&1 \
    || { cat "$ROOT/build/win32-configure.log"; return 1; }
  cmake --build "$ROOT/build/win32" -j"$JOBS" || return 1
}

# Creates the Wine prefix once, without the Mono and Gecko prompts.
ensure_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
}
