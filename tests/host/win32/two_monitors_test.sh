#!/usr/bin/env bash
# two_monitors_test.sh SOURCE_DIR SAVER: the full-screen saver under Wine on two monitors
# side by side, and each of them painted with a painting of its own; a click on the second
# ends both.
#
# Wine lists the monitors that Xinerama reports when the X server has no RandR. The test
# runs its own X server, one screen 2048 x 768 wide without RandR, and gives Wine a
# stand-in libXinerama.so.1 (built here from a few lines of C) that reports two heads of
# 1024 x 768, left and right. A Wine prefix of the test's own makes Wine's desktop start
# on that server, with that library.
set -euo pipefail
root=$1
saver=$2
fail() { echo "two_monitors_test: $*" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/two_monitors_test.XXXXXX")
xvfb_pid=""
saver_pid=""
cleanup() {
  [ -z "$saver_pid" ] || kill "$saver_pid" 2>/dev/null || true
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  # The screenshot stays when a check failed.
  [ "${passed:-}" = 1 ] && rm -rf "$work"
  return 0
}
trap cleanup EXIT

# The stand-in: Xinerama is there, active, with two heads side by side.
cat >"$work/xinerama.c" <<'C'
#include <stdlib.h>
typedef struct {
  int screen_number;
  short x_org, y_org, width, height;
} XineramaScreenInfo;
int XineramaQueryExtension(void *display, int *event_base, int *error_base) {
  *event_base = 0;
  *error_base = 0;
  return 1;
}
int XineramaQueryVersion(void *display, int *major, int *minor) {
  *major = 1;
  *minor = 1;
  return 1;
}
int XineramaIsActive(void *display) { return 1; }
XineramaScreenInfo *XineramaQueryScreens(void *display, int *number) {
  XineramaScreenInfo *heads = calloc(2, sizeof *heads);  /* freed with XFree, i.e. free */
  if (heads == NULL) return NULL;
  for (int i = 0; i < 2; ++i) {
    heads[i].screen_number = i;
    heads[i].x_org = (short)(1024 * i);
    heads[i].width = 1024;
    heads[i].height = 768;
  }
  *number = 2;
  return heads;
}
C
mkdir -p "$work/lib"
gcc -shared -fPIC -o "$work/lib/libXinerama.so.1" "$work/xinerama.c" ||
  fail "the stand-in libXinerama.so.1 does not build"

# A display of our own: the first free number from 150.
display=""
for n in $(seq 150 199); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=$n; break; }
done
[ -n "$display" ] || fail "no free X display number from 150 to 199"
Xvfb ":$display" -screen 0 2048x768x24 -extension RANDR -nolisten tcp -noreset \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start on $DISPLAY (see $work/xvfb.log)"

export LD_LIBRARY_PATH="$work/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

shot="$work/screen.png"
# A half of the screen, as a picture of its own.
half() { convert "$shot" -crop "1024x768+$1+0" +repage "$work/$2.png"; }
# A painting has hundreds of colours; a black window has one.
painted() { [ "$(identify -format %k "$work/$1.png")" -gt 256 ]; }
both_painted() {
  import -window root "$shot" && half 0 left && half 1024 right && painted left && painted right
}
# Each painting is its own: over the whole half, most pixels differ. Both monitors show the
# same canvas until their first reveals have come far enough, so this is waited for too.
differing=0
halves_differ() {
  differing=$(compare -metric AE -fuzz 5% "$work/left.png" "$work/right.png" null: 2>&1 || true)
  differing=$(awk -v n="$differing" 'BEGIN { printf "%.0f", n + 0 }')
  [ "$differing" -gt $((1024 * 768 / 4)) ]
}

"$root/scripts/wine-run" --prefix "$work/prefix" "$saver" /s &
saver_pid=$!
within 240 both_painted || fail "the two monitors were not both painted (see $shot)"
within 60 eval 'both_painted && halves_differ' ||
  fail "the two halves are alike: $differing of $((1024 * 768)) pixels differ (see $shot)"

log=$(find "$work/prefix/drive_c/users" -name brushwright.log | head -n 1)
[ -n "$log" ] || fail "the saver wrote no log"
grep -q "monitors: 1024x768 at 0,0 (primary) 1024x768 at 1024,0" "$log" ||
  fail "Wine did not list the two heads: $(grep -m 1 'monitors:' "$log")"
grep -q "monitor 2 device: .*, painting .* at 1024x768" "$log" ||
  fail "the log names no painting on the second monitor: $(cat "$log")"

# A click on the second monitor ends the saver, both windows with it.
xdotool mousemove --sync 1500 400 click 1
within 60 eval '! kill -0 "$saver_pid" 2>/dev/null' || fail "a click on monitor 2 did not end the saver"
status=0
wait "$saver_pid" || status=$?
saver_pid=""
[ "$status" = 0 ] || fail "the saver ended with status $status"
[ -z "$(xdotool search --onlyvisible --name '^Brushwright$' 2>/dev/null)" ] ||
  fail "a saver window is left after the saver ended"
passed=1
echo "two_monitors_test: two monitors, two paintings that differ, one click ended both"
