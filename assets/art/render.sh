#!/usr/bin/env bash
# Renders the SVGs beside this script into the .ico files in assets/icons/,
# then reads every .ico back and fails unless each holds exactly the sizes
# below, in that order, 32 bits a pixel with working transparency.
#   assets/art/render.sh
set -euo pipefail

art=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$art/../.." && pwd)
out=$root/assets/icons

# rsvg-convert rather than ImageMagick's own SVG reader: it draws gradients,
# masks and clip paths faithfully and anti-aliases like a browser.
command -v rsvg-convert >/dev/null || "$root/scripts/deps.sh" librsvg2-bin
command -v convert >/dev/null || "$root/scripts/deps.sh" imagemagick

# icon, then size:source pairs in the order they go into the file. The
# program icon has its own drawings for small sizes, laid on their pixel grid.
icons=(
  "Tollivane 16:Tollivane-16 20:Tollivane-16 24:Tollivane-24 32:Tollivane-32 40:Tollivane 48:Tollivane 64:Tollivane 256:Tollivane"
  "Add 42:Add 53:Add 63:Add 84:Add"
  "Delete 42:Delete 53:Delete 63:Delete 84:Delete"
  "Website 42:Website 53:Website 63:Website 84:Website"
  "About 42:About 53:About 63:About 84:About"
)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

for row in "${icons[@]}"; do
  read -r name pairs <<<"$row"
  frames=()
  for pair in $pairs; do
    size=${pair%%:*}
    svg=$art/${pair#*:}.svg
    png=$tmp/$name-$size.png
    rsvg-convert --width "$size" --height "$size" --format png --output "$png" "$svg"
    frames+=("$png")
  done
  # -strip keeps timestamps out, so the same SVGs give the same bytes.
  convert "${frames[@]}" -strip -define png:color-type=6 "$out/$name.ico"
done

fail=0
for row in "${icons[@]}"; do
  read -r name pairs <<<"$row"
  ico=$out/$name.ico
  want=""
  for pair in $pairs; do want+="${pair%%:*}x${pair%%:*} alpha 32bpp "; done
  got=""
  i=0
  while read -r dims channels opaque; do
    # Bit count of directory entry i: what Windows picks a frame by.
    bpp=$(od -An -tu2 -j $((6 + 16 * i + 6)) -N2 "$ico" | tr -d ' ')
    # Every picture leaves its corners clear, so a frame with no see-through
    # pixel has lost its alpha even where the format still carries a channel.
    case $channels/$opaque in *a/false) alpha=alpha ;; *) alpha="no-alpha($channels,opaque=$opaque)" ;; esac
    got+="$dims $alpha ${bpp}bpp "
    i=$((i + 1))
  done < <(identify -format '%wx%h %[channels] %[opaque]\n' "$ico")
  if [ "$got" != "$want" ]; then
    echo "render.sh: $name.ico holds [$got], expected [$want]" >&2
    fail=1
  fi
done
[ "$fail" -eq 0 ] || exit 1
echo "render.sh: wrote ${#icons[@]} icons to $out"
