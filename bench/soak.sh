#!/usr/bin/env bash
# Soak: 1000 pictures at 320 x 200 rendered headless on the simulated clock, with a check
# for GL errors after every picture (BRUSHWRIGHT_DEBUG=gl-check). Prints the resident
# memory after 100 and after 1000 pictures (each the highest of the 50 pictures up to
# there) and fails when they differ by more than 2 %, or on any GL error.
#   bench/soak.sh [BUILD_DIR] [PICTURES]
set -euo pipefail
build=${1:-build}
pictures=${2:-1000}
saver="$build/src/host/brushwright"
[ -x "$saver" ] || { echo "soak: no $saver (build first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
BRUSHWRIGHT_DEBUG=gl-check XDG_CONFIG_HOME="$work/config" \
  "$saver" --render "$work/out" --pictures "$pictures" --size 320x200 --seed 1 \
  >/dev/null 2>"$work/err" || status=$?
if [ "$status" -ne 0 ]; then
  echo "soak: the run failed (status $status):" >&2
  tail -n 3 "$work/err" >&2
  exit 1
fi
# The resident memory moves up and down by a few MB as the allocator takes and returns
# memory; resident N is the highest reading over the 50 pictures up to picture N.
resident() {
  sed -n 's/^brushwright: picture \([0-9]*\): no GL error, resident \([0-9]*\) kB$/\1 \2/p' \
    "$work/err" | awk -v n="$1" '$1 > n - 50 && $1 <= n && $2 > top { top = $2 } END { print top }'
}
early=$(resident 100)
late=$(resident "$pictures")
[ -n "$early" ] && [ -n "$late" ] || { echo "soak: no memory reports" >&2; exit 1; }
echo "resident after 100 pictures: $early kB"
echo "resident after $pictures pictures: $late kB"
awk -v a="$late" -v b="$early" 'BEGIN {
  growth = (a - b) / b; printf "growth: %.2f %% (limit 2 %%), no GL error\n", 100 * growth
  exit (growth > 0.02 || growth < -0.02) }'
