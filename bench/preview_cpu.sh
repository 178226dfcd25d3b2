#!/usr/bin/env bash
# Whole-program benchmark under Wine: the CPU time of the Windows saver as a preview in the
# Screen Saver page's 152 x 112 box, against the same saver as a preview in a 1024 x 1024
# box (the size every preview used to be painted at) and full screen (1280 x 1024), in
# the same run, on a private Xvfb with a Wine prefix of its own. Each runs WARMUP seconds
# after its process appears (default 10: the preview's one-second wait, start-up and the
# first picture); then the CPU time of its process is read from /proc over SECONDS
# seconds (default 16).
#   bench/preview_cpu.sh [BUILD_WINDOWS_DIR] [SECONDS] [WARMUP]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-windows}
seconds=${2:-16}
warmup=${3:-10}
saver="$build/brushwright.scr"
[ -f "$saver" ] || { echo "preview_cpu: no $saver (scripts/build-windows first)" >&2; exit 1; }
saver=$(cd "$(dirname "$saver")" && pwd)/$(basename "$saver")

work=$(mktemp -d "${TMPDIR:-/tmp}/preview_cpu.XXXXXX")
xvfb=""
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

x86_64-w64-mingw32-g++-posix -O2 -static -o "$work/preview_host.exe" "$root/bench/preview_host.cpp"

for n in $(seq 150 199); do [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }; done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
run() { "$root/scripts/wine-run" --prefix "$work/prefix" "$@"; }
run wineboot >/dev/null 2>&1 || true  # the prefix is made before anything is timed

# The saver's process of this run: the one under our prefix running brushwright.scr.
saver_pid() {
  local dir
  for dir in /proc/[0-9]*; do
    { tr '\0' '\n' <"$dir/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$work/prefix" || continue
    # Wine writes a Windows program's command line as one string that begins with the
    # program; other processes name the saver only among their arguments.
    { tr '\0' ' ' <"$dir/cmdline"; } 2>/dev/null | grep -qi '^[a-z]:[^ ]*brushwright\.scr ' ||
      continue
    echo "${dir#/proc/}"
    return 0
  done
  return 1
}

ticks=$(getconf CLK_TCK)
# cpu_seconds [WIDTH HEIGHT]: the saver run by preview_host, its user+system CPU seconds
# over $seconds seconds, $warmup seconds after its process appeared.
cpu_seconds() {
  local stop="$work/stop"
  rm -f "$stop"
  run "$work/preview_host.exe" "Z:${saver//\//\\}" "Z:${stop//\//\\}" "$@" >/dev/null 2>&1 &
  local host=$! pid="" before after
  for _ in $(seq 1 120); do pid=$(saver_pid) && break; sleep 1; done
  [ -n "$pid" ] || { echo "preview_cpu: the saver did not start" >&2; touch "$stop"; return 1; }
  sleep "$warmup"
  before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  sleep "$seconds"
  after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  touch "$stop"
  wait "$host" || true
  awk -v a="$after" -v b="$before" -v t="$ticks" 'BEGIN { printf "%.2f", (a - b) / t }'
}

preview=$(cpu_seconds 152 112)
large=$(cpu_seconds 1024 1024)
full=$(cpu_seconds)
share() { awk -v c="$1" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * c / s }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "n/a" }'; }
echo "preview 152x112: ${preview} s CPU in ${seconds} s ($(share "$preview") % of one core)"
echo "preview 1024x1024: ${large} s CPU in ${seconds} s ($(share "$large") % of one core)"
echo "full screen 1280x1024: ${full} s CPU in ${seconds} s ($(share "$full") % of one core)"
echo "ratio preview 152x112 / preview 1024x1024: $(ratio "$preview" "$large")"
echo "ratio preview 152x112 / full screen: $(ratio "$preview" "$full")"
