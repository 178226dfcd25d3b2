#!/usr/bin/env bash
# Whole-program benchmark: headless rendering of pictures (--render), which draws only the
# frames that build a picture, against the same run drawing every frame as a window would
# (BRUSHWRIGHT_DEBUG=every-frame), in the same run. Prints the CPU and wall seconds of each
# and their ratios; then how much of the headless run is painting: its wall time against
# the sum of its "built in" lines, with each line of its output stamped with the seconds
# since the start, so that the log shows where the rest goes (start-up, writing the files
# while the next picture is painted, the last file, ending). The headless run also marks
# its stages (BRUSHWRIGHT_DEBUG=phases); the breakdown at the end gives each stage's
# seconds since the process began and since the stage before.
#   bench/render_headless.sh [BUILD_DIR] [PICTURES] [SIZE]
set -euo pipefail
build=${1:-build}
pictures=${2:-3}
size=${3:-1280x800}
saver="$build/src/host/brushwright"
[ -x "$saver" ] || { echo "render_headless: no $saver (build first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# since START: seconds from START (date +%s.%N) to now.
since() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }'; }
# stamp: copies its input, each line after the seconds since it started.
stamp() {
  local start line
  start=$(date +%s.%N)
  while IFS= read -r line; do printf '%8.3f s  %s\n' "$(since "$start")" "$line"; done
}

# run NAME DEBUG_WORDS: renders into $work/NAME, its output stamped in $work/NAME.out;
# prints "cpu_seconds wall_seconds".
run() {
  local TIMEFORMAT='%U %S %R'
  date +%s.%N >"$work/$1.began"
  { time BRUSHWRIGHT_DEBUG=$2 XDG_CONFIG_HOME="$work/config" "$saver" --render "$work/$1" \
      --pictures "$pictures" --size "$size" --seed 1 2>"$work/$1.err" | stamp >"$work/$1.out"; } \
    2>"$work/$1.time"
  date +%s.%N >"$work/$1.ended"
  awk '{ printf "%.2f %.2f\n", $1 + $2, $3 }' "$work/$1.time"
}

read -r every_cpu every_wall < <(run every every-frame)
read -r ours_cpu ours_wall < <(run ours phases)
if ! cmp -s "$work/every/picture-001.png" "$work/ours/picture-001.png"; then
  echo "render_headless: the pictures differ between the two runs" >&2
fi
echo "every frame drawn: ${every_cpu} s CPU, ${every_wall} s wall ($pictures pictures at $size)"
echo "pictures only:     ${ours_cpu} s CPU, ${ours_wall} s wall"
awk -v a="$ours_cpu" -v b="$every_cpu" -v c="$ours_wall" -v d="$every_wall" \
  'BEGIN { printf "ratio pictures only / every frame: %.3f CPU, %.3f wall\n", a / b, c / d }'
cat "$work/ours.out"
built=$(awk '/: built in [0-9]+ ms$/ { sum += $(NF - 1) } END { printf "%.3f", sum / 1000 }' \
  "$work/ours.out")
echo "pictures only: ${ours_wall} s wall, ${built} s building the pictures"
awk -v w="$ours_wall" -v b="$built" 'BEGIN { if (b > 0) printf "ratio wall / building: %.3f\n", w / b }'
echo "breakdown (seconds since the process began, and since the stage before):"
{
  grep -h '^brushwright: phase ' "$work/ours.err" || true
  echo "brushwright: phase process gone at $(cat "$work/ours.ended")"
} | awk -v began="$(cat "$work/ours.began")" -v previous="$(cat "$work/ours.began")" '
  { at = $NF; name = $3; for (i = 4; i < NF - 1; ++i) name = name " " $i
    printf "  %-26s %7.3f  +%.3f\n", name, at - began, at - previous; previous = at }'
