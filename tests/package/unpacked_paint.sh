#!/usr/bin/env bash
# unpacked_paint.sh DEB SCRATCH: the package unpacked into a scratch root paints from
# there. Both installed programs find the data the package put beside them (never the
# build tree's, which the programs would fall back on), and one picture comes out.
source "$(dirname "$0")/common.sh"
unpack "$2"
# No settings of the user running the test may point the saver elsewhere.
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config"
mkdir -p "$HOME"

# A picture that does not exist makes the saver name the data directory it chose.
for program in usr/bin/brushwright usr/libexec/xscreensaver/brushwright; do
  status=0
  message=$("$root/$program" --picture NoSuchPicture --render "$scratch/none" --pictures 1 \
    --size 160x100 2>&1 >/dev/null) || status=$?
  [ "$status" -eq 1 ] || fail "$program exited $status for an unknown picture: $message"
  case $message in
    *"under \"$root/usr/share/brushwright/data\""*) ;;
    *) fail "$program did not look in the unpacked data: $message" ;;
  esac
done

"$root/usr/bin/brushwright" --render "$scratch/out" --pictures 1 --size 160x100 --seed 7 \
  >/dev/null || fail "rendering from the unpacked root failed"
picture="$scratch/out/picture-001.png"
[ -f "$picture" ] || fail "no $picture"
read -r width height colours < <(identify -format '%w %h %k\n' "$picture")
[ "$width" = 160 ] && [ "$height" = 100 ] || fail "picture is ${width}x$height, expected 160x100"
[ "$colours" -gt 64 ] || fail "picture has only $colours colours"
