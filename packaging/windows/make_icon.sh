#!/usr/bin/env bash
# Turns a program's SVG into a Windows icon: the sizes Explorer, the task bar
# and the title bar ask for, the largest kept as PNG inside the icon.
#
#   make_icon.sh SVG ICO
set -euo pipefail
svg=${1:?usage: make_icon.sh SVG ICO}
ico=${2:?usage: make_icon.sh SVG ICO}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
small=()
for size in 16 20 24 32 40 48 64; do
  rsvg-convert -w "$size" -h "$size" "$svg" -o "$work/$size.png"
  small+=("$work/$size.png")
done
rsvg-convert -w 256 -h 256 "$svg" -o "$work/256.png"
icotool -c -o "$ico.part" "${small[@]}" -r "$work/256.png"
mv "$ico.part" "$ico"
