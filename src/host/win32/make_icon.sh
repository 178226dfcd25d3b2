#!/usr/bin/env bash
# make_icon.sh OUT.ico: writes the saver's icon, one 32 x 32 true-colour image of a dark
# brush stroke across a warm canvas, computed here so that no picture file is kept.
set -euo pipefail
out=$1
size=32
bytes=""
le16() { printf -v chunk '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)); bytes+=$chunk; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }
byte() { printf -v chunk '\\x%02x' "$1"; bytes+=$chunk; }

pixels=$((size * size * 4))
mask=$((size * size / 8))
image=$((40 + pixels + mask))
# Icon directory: reserved, type 1 (icon), one image.
le16 0; le16 1; le16 1
# Its entry: width, height, no palette, reserved, 1 plane, 32 bits, size, offset.
byte $size; byte $size; byte 0; byte 0; le16 1; le16 32; le32 $image; le32 22
# The bitmap header: its height counts the colour rows and the mask rows.
le32 40; le32 $size; le32 $((size * 2)); le16 1; le16 32; le32 0; le32 0
le32 0; le32 0; le32 0; le32 0
# Colour rows from the bottom up, blue green red alpha.
for ((row = size - 1; row >= 0; --row)); do
  for ((x = 0; x < size; ++x)); do
    d=$((x + row - size + 1))
    if ((d >= -3 && d <= 3 && x > 3 && x < size - 4)); then
      byte 120; byte 60; byte 30; byte 255
    else
      byte $((40 + row * 2)); byte $((150 + x * 2)); byte $((240 - row * 2)); byte 255
    fi
  done
done
# The mask: every pixel drawn.
for ((i = 0; i < mask; ++i)); do byte 0; done
printf "$bytes" > "$out"
