#!/usr/bin/env bash
# Runs the installer silently under Wine into a scratch folder, checks the
# files and registry keys it makes, runs the uninstaller silently and checks
# that nothing it made is left, while the user's rips and disc cache stay;
# then once more with /REMOVEDATA, which takes those too.
# Usage: installer_test.sh SETUP.EXE WINE [RESULTS.XML]
# The results file holds one test case per phase, as GoogleTest writes them.
set -u
setup=$1
wine=$2
results=${3:-}
failures=0
phase=""
declare -A phase_failures=()
phases=()
start_phase() { phase=$1; phases+=("$1"); phase_failures[$1]=""; echo "== $1"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
  phase_failures[$phase]+="$*"$'\n'
}
xml_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'; }
write_results() {
  [ -n "$results" ] || return 0
  {
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo "<testsuites tests=\"${#phases[@]}\" name=\"installer_test\">"
    echo "  <testsuite name=\"InstallerTest\" tests=\"${#phases[@]}\">"
    for p in "${phases[@]}"; do
      if [ -z "${phase_failures[$p]}" ]; then
        echo "    <testcase name=\"$p\" classname=\"InstallerTest\"/>"
      else
        echo "    <testcase name=\"$p\" classname=\"InstallerTest\">"
        echo "      <failure message=\"$(printf '%s' "${phase_failures[$p]}" | head -1 | xml_escape)\">$(printf '%s' "${phase_failures[$p]}" | xml_escape)</failure>"
        echo "    </testcase>"
      fi
    done
    echo "  </testsuite>"
    echo "</testsuites>"
  } >"$results"
}

# No space in the folder: Wine quotes such an argument, and NSIS takes /D=
# only unquoted.
target="/tmp/cantaro-installer-test-$$/CantaroMaker"
windows_target="Z:$(echo "$target" | tr / '\\')"
clsid='{B17213F3-499E-11D4-9FC1-5254ABDF26FA}'
rm -rf "/tmp/cantaro-installer-test-$$"

# reg.exe prints a value's line when it is there.
value() { "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^  */, ""); print }'; }
key_exists() { "$wine" reg query "$1" >/dev/null 2>&1; }
default_value() { "$wine" reg query "$1" /ve 2>/dev/null | tr -d '\r' | awk '/REG_SZ/ { sub(/.*REG_SZ */, ""); print }'; }

# The file types the prefix has before, to tell what the installer made.
types_before=$(for e in .cda .mp3 .wav; do echo "$e=$(default_value "HKCR\\$e")"; done)

install() {
  "$wine" "$setup" /S "/D=$windows_target"
  local code=$?
  [ $code -eq 0 ] || fail "the installer ended with $code"
}

check_installed() {
  for f in CantaroMaker.exe LAME_ENC.DLL BLADEENC.DLL TambourExt.dll uninstall.exe; do
    [ -f "$target/$f" ] || fail "$f was not installed"
  done
  [ "$(value 'HKCU\Software\Brenmark\Tambour' SetupDirectory)" = "$windows_target" ] ||
    fail "SetupDirectory is '$(value 'HKCU\Software\Brenmark\Tambour' SetupDirectory)'"
  server=$(default_value "HKCR\\CLSID\\$clsid\\InprocServer32")
  [ "${server,,}" = "${windows_target,,}\\tambourext.dll" ] || fail "the extension is not registered ('$server')"
  for e in .cda .mp3 .wav; do
    type=$(default_value "HKCR\\$e")
    [ -n "$type" ] || { fail "$e has no file type"; continue; }
    [ "$(default_value "HKCR\\$type\\shellex\\ContextMenuHandlers\\TambourExt")" = "$clsid" ] ||
      fail "no context-menu handler for $e ($type)"
  done
  key_exists 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\CantaroMaker' ||
    fail "no uninstall entry"
}

# The uninstaller copies itself away and returns at once; wait until it
# has taken its own file.
uninstall() {
  "$wine" "$target/uninstall.exe" /S "$@"
  for _ in $(seq 1 120); do
    [ -f "$target/uninstall.exe" ] || break
    sleep 0.5
  done
  sleep 1
}

check_uninstalled() {
  for f in CantaroMaker.exe LAME_ENC.DLL BLADEENC.DLL TambourExt.dll uninstall.exe CantaroMaker.chm; do
    [ -e "$target/$f" ] && fail "$f is left"
  done
  key_exists "HKCR\\CLSID\\$clsid" && fail "the class is still registered"
  key_exists 'HKCR\Directory\shellex\DragDropHandlers\TambourExt' && fail "the drag-and-drop handler is left"
  key_exists 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\CantaroMaker' && fail "the uninstall entry is left"
  [ -z "$(value 'HKCU\Software\Brenmark\Tambour' SetupDirectory)" ] || fail "SetupDirectory is left"
  types_after=$(for e in .cda .mp3 .wav; do echo "$e=$(default_value "HKCR\\$e")"; done)
  [ "$types_after" = "$types_before" ] || fail "file types changed: $types_after"
  for e in cda mp3 wav; do
    key_exists "HKCR\\CantaroMaker.$e" && fail "the file type CantaroMaker.$e is left"
  done
}

start_phase SilentInstallWritesFilesAndKeys
echo "install into $windows_target"
install
check_installed
# What the program makes while it is used.
mkdir -p "$target/output" "$target/db" "$target/CACHE"
echo rip >"$target/output/Track 1.MP3"
echo disc >"$target/db/1234abcd.ini"
echo cddb >"$target/CACHE/a.cddb"
start_phase SilentUninstallKeepsTheUsersData
uninstall
check_uninstalled
for kept in "output/Track 1.MP3" "db/1234abcd.ini" "CACHE/a.cddb"; do
  [ -f "$target/$kept" ] || fail "$kept was not kept"
done

start_phase UninstallWithRemoveDataLeavesNothing
install
check_installed
uninstall /REMOVEDATA
check_uninstalled
[ -e "$target" ] && fail "the folder is left: $(ls -R "$target")"

rm -rf "/tmp/cantaro-installer-test-$$"
write_results
if [ $failures -eq 0 ]; then echo "installer test passed"; else echo "installer test: $failures failures"; fi
[ $failures -eq 0 ]
