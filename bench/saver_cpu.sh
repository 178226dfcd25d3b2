#!/usr/bin/env bash
# Whole-program benchmark: the CPU time the saver uses over one picture cycle at
# 1024 x 768 on a private Xvfb with Mesa, against xscreensaver's glslideshow run the same
# way in the same run. Both draw on the root window. Each first runs WARMUP seconds
# (default 10: start-up and the first picture), then its CPU time is measured over
# SECONDS seconds (default 16: one hold of 7 s and one reveal of about 8 s at the
# default speed and delay).
#   bench/saver_cpu.sh [BUILD_DIR] [SECONDS] [WARMUP]
# glslideshow comes with Debian's xscreensaver-gl package.
set -euo pipefail
build=${1:-build}
seconds=${2:-16}
warmup=${3:-10}
saver="$build/src/host/brushwright"
reference=/usr/libexec/xscreensaver/glslideshow
[ -x "$saver" ] || { echo "saver_cpu: no $saver (build first)" >&2; exit 1; }
[ -x "$reference" ] || { echo "saver_cpu: no $reference (apt-get install xscreensaver-gl)" >&2; exit 1; }

for n in $(seq 150 190); do [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }; done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

ticks=$(getconf CLK_TCK)
# cpu_seconds COMMAND...: runs it for $seconds seconds, prints user+system CPU seconds.
cpu_seconds() {
  "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep "$warmup"
  local before after
  before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  sleep "$seconds"
  after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  local used
  used=$(awk -v a="$after" -v b="$before" -v t="$ticks" 'BEGIN { printf "%.2f", (a - b) / t }')
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "$used"
}

ours=$(XDG_CONFIG_HOME=$(mktemp -d) cpu_seconds "$saver" --root --seed 1)
theirs=$(cpu_seconds "$reference" -root)
echo "brushwright: ${ours} s CPU in ${seconds} s ($(awk -v c="$ours" -v s="$seconds" 'BEGIN{printf "%.1f", 100*c/s}') % of one core)"
echo "glslideshow: ${theirs} s CPU in ${seconds} s ($(awk -v c="$theirs" -v s="$seconds" 'BEGIN{printf "%.1f", 100*c/s}') % of one core)"
echo "ratio brushwright / glslideshow: $(awk -v a="$ours" -v b="$theirs" 'BEGIN{ if (b > 0) printf "%.2f", a/b; else print "n/a" }')"
