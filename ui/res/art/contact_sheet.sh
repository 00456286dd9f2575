#!/usr/bin/env bash
# Renders every icon and bitmap of ui/res/ enlarged, on a checkerboard where they are
# transparent, with its identifier, into docs/contact-sheet.png. Needs ImageMagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
res=$root/ui/res
out=${1:-$root/docs/contact-sheet.png}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# identifier, file, label
pictures=(
  "103 agent.ico IDI_AGENT"
  "106 tray1.ico IDI_TRAY_FRAME1"
  "131 tray2.ico IDI_TRAY_FRAME2"
  "132 tray3.ico IDI_TRAY_FRAME3"
  "133 tray4.ico IDI_TRAY_FRAME4"
  "141 computer_lock.ico IDI_COMPUTER_LOCK"
  "149 exit.ico IDI_EXIT"
  "150 setting.ico IDI_SETTING"
  "151 computer_lock_gray.ico IDI_COMPUTER_LOCK_GRAY"
  "163 padlock.ico IDI_PADLOCK"
  "122 banner.bmp IDB_BANNER"
  "164 reboot.bmp IDB_REBOOT"
)

tiles=()
for entry in "${pictures[@]}"; do
  read -r id file name <<<"$entry"
  size=$(identify -format '%wx%h' "$res/$file[0]")
  w=${size%x*}
  # Small pictures are enlarged more, so each tile is about the same height.
  scale=$(( w <= 16 ? 8 : (w <= 48 ? 4 : 2) ))
  big=$tmp/$id-big.png
  convert "$res/$file[0]" -scale "$((scale * 100))%" "$big"
  bw=$(identify -format '%w' "$big")
  bh=$(identify -format '%h' "$big")
  # Checkerboard under the picture shows its transparent pixels.
  convert -size "${bw}x${bh}" pattern:checkerboard -fill '#e8e8e8' -opaque '#999999' \
    "$big" -composite "$tmp/$id-on-check.png"
  # The picture at its own size on a menu-gray ground, beside the enlargement.
  convert "$res/$file[0]" -background '#d4d0c8' -flatten -bordercolor '#d4d0c8' -border 4 \
    "$tmp/$id-actual.png"
  convert "$tmp/$id-on-check.png" "$tmp/$id-actual.png" -background white -gravity south \
    +append +repage "$tmp/$id-pair.png"
  pw=$(identify -format '%w' "$tmp/$id-pair.png")
  convert "$tmp/$id-pair.png" -background white -gravity center \
    -extent "$((pw > 290 ? pw : 290))x$((bh + 8))" -gravity south -splice 0x24 \
    -font DejaVu-Sans -pointsize 13 -fill black -annotate +0+4 "$id $name, $size" \
    +repage "$tmp/$id-tile.png"
  tiles+=("$tmp/$id-tile.png")
done

montage "${tiles[@]}" -tile 4x -geometry +12+12 -background white "$out"
echo "$out"
