#!/usr/bin/env bash
# fullscreen_test.sh SOURCE_DIR SAVER: runs the saver full-screen under Wine on the X display
# and watches it from X: its window covers the screen and paints, the pointer shows no
# cursor over it, moving the pointer leaves it running, and a key ends it with status 0.
set -euo pipefail
root=$1
saver=$2
fail() { echo "fullscreen_test: $*" >&2; exit 1; }
shot=$(mktemp "${TMPDIR:-/tmp}/fullscreen_test.XXXXXX.png")  # kept when a check fails
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true' EXIT

# Succeeds when the pointer's cursor, as the X server draws it, has an opaque pixel.
cursor_shows() {
  python3 - <<'PY'
import ctypes, ctypes.util, sys
class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]
x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes"))
x11.XOpenDisplay.restype = ctypes.c_void_p
xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
image = xfixes.XFixesGetCursorImage(x11.XOpenDisplay(None)).contents
sys.exit(0 if any(image.pixels[i] >> 24 for i in range(image.width * image.height)) else 1)
PY
}

source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

saver_runs() { kill -0 "$pid" 2>/dev/null; }
# A painting has hundreds of colours; a black window has one, the bare X screen two.
screen_painted() {
  import -window root "$shot" && [ "$(identify -format %k "$shot")" -gt 256 ]
}
cursor_hidden() { ! cursor_shows; }

read -r screen_width screen_height < <(xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); print s[1], s[2]; exit }')
xdotool mousemove --sync 100 100
cursor_shows || fail "no cursor on the bare screen: the cursor probe does not work here"
screen_painted && fail "the bare screen already looks painted"

# Started in a folder without data, the saver finds the data beside it.
(cd "$(dirname "$shot")" && exec "$root/scripts/wine-run" "$saver" /s) &
pid=$!
window=$(timeout 120 xdotool search --sync --onlyvisible --name '^Brushwright$' | head -n 1) ||
  fail "no saver window appeared"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X,$Y,$WIDTH,$HEIGHT" = "0,0,$screen_width,$screen_height" ] ||
  fail "the saver window is $WIDTH x $HEIGHT at $X,$Y on a $screen_width x $screen_height screen"
within 120 screen_painted || fail "the screen was not painted (see $shot)"

# The pointer over the saver: no cursor, and moving it does not end the saver.
xdotool mousemove --sync 640 500
within 10 cursor_hidden || fail "the cursor shows over the full-screen saver"
xdotool mousemove --sync 300 200
sleep 1
xdotool mousemove --sync 900 700
sleep 2
saver_runs || fail "the saver ended when the pointer moved"

xdotool key a
within 60 eval '! saver_runs' || fail "the saver did not end on a key"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "the saver ended with status $status"
within 10 cursor_shows || fail "the cursor did not come back after the saver ended"
rm -f "$shot"
echo "fullscreen_test: painted the whole screen, hid the cursor, ended on a key"
