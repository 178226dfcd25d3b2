#!/usr/bin/env bash
# installer_test.sh SOURCE_DIR: makes the packages from the Windows tree, installs silently
# under Wine into a folder that already holds a file of the user's own in data\, checks the
# files (the programs stripped, their debug files in a zip of their own), PATH, the
# Uninstall key and the screen saver setting, runs the installed saver from a folder
# without data, and uninstalls, checking that what was written is gone and the user's
# file is still there.
set -euo pipefail
root=$1
run() { "$root/scripts/wine-run" "$@"; }
reg_query() { run reg query "$@" 2>/dev/null | tr -d '\r'; }
fail() { echo "installer_test: $*" >&2; exit 1; }

packages=$("$root/scripts/package-windows" --no-build | tail -n 2)
zip=$(echo "$packages" | head -n 1)
setup=$(echo "$packages" | tail -n 1)
listing=$(cmake -E tar tf "$zip")
grep -q "/brushwright.scr$" <<<"$listing" || fail "the zip holds no brushwright.scr"
grep -q "/data/Base3/" <<<"$listing" || fail "the zip holds no data"
debug_zip=${zip%.zip}-debug.zip
debug_listing=$(cmake -E tar tf "$debug_zip") || fail "no debug zip beside $zip"
for file in brushwright.scr.debug bwtool.exe.debug; do
  grep -q "/$file$" <<<"$debug_listing" || fail "the debug zip holds no $file"
done

folder='C:\Program Files\Brushwright'
installed=$(run winepath -u "$folder" | tr -d '\r')
# A folder the user had already, with a data folder of their own.
rm -rf "$installed"
mkdir -p "$installed/data"
echo "my own work" >"$installed/data/mywork.txt"

run "$setup" /S /SAVER || fail "the silent install failed"
for file in brushwright.scr bwtool.exe README.txt uninstall.exe data/Base3/Main; do
  [ -f "$installed/$file" ] || fail "$file was not installed in $installed"
done
for program in brushwright.scr bwtool.exe; do
  if x86_64-w64-mingw32-objdump -h "$installed/$program" | grep -q '\.debug_info'; then
    fail "$program was installed with its debug information"
  fi
done
reg_query 'HKLM\Software\Velmora\Tamsin' /v PATH | grep -qF "$folder" || fail "PATH was not written"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brushwright'
for value in Publisher DisplayVersion DisplayIcon EstimatedSize; do
  reg_query "$uninstall_key" /v "$value" | grep -q "$value" || fail "the Uninstall key has no $value"
done
reg_query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE | grep -qF "$folder\\brushwright.scr" ||
  fail "the screen saver setting was not written"

# The installed saver, started in a folder without data, finds its data (a saver without
# any shows a box and ends with 1) and runs until it is stopped.
(cd "${TMPDIR:-/tmp}" && timeout 20 "$root/scripts/wine-run" "$folder\\brushwright.scr" /s) &&
  status=0 || status=$?
[ "$status" = 124 ] || fail "the installed saver ended with $status instead of painting"

run "$folder\\uninstall.exe" /S || fail "the uninstaller failed"
# The uninstaller runs from a copy of itself and returns at once.
for _ in $(seq 1 60); do
  [ -e "$installed/uninstall.exe" ] || [ -e "$installed/data/Base3" ] || break
  sleep 1
done
sleep 2
# Exactly what was installed is gone; the user's file and its folder stay.
left=$(cd "$installed" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = "./data ./data/mywork.txt " ] || fail "after uninstalling, the folder holds: $left"
[ "$(cat "$installed/data/mywork.txt")" = "my own work" ] || fail "the user's file was changed"
rm -rf "$installed"
reg_query 'HKLM\Software\Velmora\Tamsin' >/dev/null && fail "the Velmora key is still there"
reg_query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE >/dev/null &&
  fail "the screen saver setting is still there"
echo "installer_test: installed, ran and uninstalled"
