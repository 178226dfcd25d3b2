#!/usr/bin/env bash
# full_output.sh BWTOOL BRUSHWRIGHT INSTALL_DIR: what the programs print is never lost
# silently. With standard output on a full device (/dev/full) every listing command ends
# with a non-zero status and one line on standard error; the system's reason where the
# failed write is the last one (a long listing meets it earlier, and says only that a
# write failed).
set -u
bwtool=$1
saver=$2
install=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config"
failures=0

# A painting for the judge: the signature image, decoded from the asset store.
mkdir -p "$scratch/paintings"
"$bwtool" image decode --install "$install" data/shaders/sig3.tga \
  "$scratch/paintings/picture-001.png" || { echo "cannot make a painting to judge"; exit 1; }

# check PROGRAM_NAME COMMAND...: runs COMMAND with standard output on /dev/full.
check() {
  local name=$1
  shift
  local status=0
  "$@" >/dev/full 2>"$scratch/err" || status=$?
  local said
  said=$(cat "$scratch/err")
  if [ "$status" -eq 0 ]; then
    echo "FAIL: $* ended with status 0"
    failures=$((failures + 1))
  elif [ "$said" != "$name: cannot write to standard output: No space left on device" ] &&
    [ "$said" != "$name: cannot write to standard output: a write failed" ]; then
    echo "FAIL: $* said: $(cat "$scratch/err") (status $status)"
    failures=$((failures + 1))
  else
    echo "ok: $* (status $status)"
  fi
}

check brushwright "$saver" --list-pictures
check brushwright "$saver" --configure
check brushwright "$saver" --configure --speed 30
check brushwright "$saver" --help
check bwtool "$bwtool" --help
check bwtool "$bwtool" store info "$install/data/Base3"
check bwtool "$bwtool" fx dis "$install/data/shaders/paint.bsf"
check bwtool "$bwtool" judge "$scratch/paintings"
# The same commands to a working output say nothing on standard error.
"$saver" --list-pictures >/dev/null 2>"$scratch/err" && [ ! -s "$scratch/err" ] ||
  { echo "FAIL: --list-pictures to /dev/null"; failures=$((failures + 1)); }
exit $((failures > 0))
