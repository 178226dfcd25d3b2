#!/usr/bin/env bash
# installer_test.sh SOURCE_DIR: makes the packages from the Windows tree, installs silently
# under Wine, checks the files, PATH and the screen saver setting, runs the installed saver
# from a folder without data, and uninstalls, checking that what was written is gone.
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

run "$setup" /S /SAVER || fail "the silent install failed"
folder='C:\Program Files\Brushwright'
installed=$(run winepath -u "$folder" | tr -d '\r')
for file in brushwright.scr bwtool.exe README.txt uninstall.exe data/Base3/Main; do
  [ -f "$installed/$file" ] || fail "$file was not installed in $installed"
done
reg_query 'HKLM\Software\Velmora\Tamsin' /v PATH | grep -qF "$folder" || fail "PATH was not written"
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
  [ -e "$installed" ] || break
  sleep 1
done
[ ! -e "$installed" ] || fail "the install folder is still there"
reg_query 'HKLM\Software\Velmora\Tamsin' >/dev/null && fail "the Velmora key is still there"
reg_query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE >/dev/null &&
  fail "the screen saver setting is still there"
echo "installer_test: installed, ran and uninstalled"
