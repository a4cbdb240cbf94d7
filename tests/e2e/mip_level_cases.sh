# End-to-end: mip levels. A detailed panorama seen zoomed out, about five
# texels to a screen pixel, shown twice a fraction of a pixel apart in pan:
# how much the two pictures differ is the shimmer of a slow turn. The same
# comparison on a copy of the image filtered down to the screen's sampling
# rate is the reference. Zoomed in, the top level must show the image as
# it is without levels. Sourced by run.

mip_options=(--hfov 360 --no-auto-motion --window-width 400 --window-height 300)
# Client area of the 400 x 300 window centred on the screen, the title's
# corner left out.
mip_crop="360x240+332+256"
mip_pan=100
mip_nudged=100.12  # about 0.4 of a screen pixel at the centre, at --fov 90

# mip_shot NAME IMAGE [options...]: packs, shows and photographs a viewer.
mip_shot() {
  local name=$1 image=$2
  shift 2
  "$panopack" create --stub "$stub" --image "$image" -o "$work/$name.exe" \
    "${mip_options[@]}" "$@" >/dev/null || fail "cannot pack $name"
  start_program "$work/$name.exe"
  local id
  if ! id=$(find_window "Panorama" 30); then
    fail "no window for $name"
    stop_viewer
    return
  fi
  sleep 3
  screenshot "$work/screen.png"
  convert "$work/screen.png" -crop "$mip_crop" +repage "$work/$name.png"
  xdotool key --window "$id" Escape
  wait_exit "$app_pid" 20
  [ "$exit_code" = 0 ] || { fail "$name ended with $exit_code"; stop_viewer; }
}

# Normalised RMSE of two pictures, in thousandths.
rmse() {
  compare -metric RMSE "$work/$1.png" "$work/$2.png" null: 2>&1 |
    sed -n 's/.*(\(.*\))/\1/p' | awk '{printf "%d", $1 * 1000 + 0.5}'
}

# noise_jpeg WIDTH HEIGHT: fine noise, softened a little; made once and kept.
noise_jpeg() {
  noise="$images/detail-$1x$2.jpg"
  [ -s "$noise" ] && return 0
  mkdir -p "$images"
  convert -size "$1x$2" xc:gray50 -seed 7 +noise Random -blur 0x0.6 ppm:- |
    cjpeg -quality 90 -sample 2x2 >"$noise.part" && mv "$noise.part" "$noise"
}

# 6000 x 1500: tiles of 1500 x 1500, so the chains are resampled to powers
# of two; the reference is the image at a fifth.
noise_jpeg 6000 1500
detail=$noise
convert "$detail" -resize 1200x300 -quality 95 "$work/filtered.jpg"

test_case "mip levels: a turn by a fraction of a pixel shimmers no more than the filtered copy"
for shot in "filtered $work/filtered.jpg --no-options" "described $detail --no-options" "levels $detail"; do
  read -r name image without <<<"$shot"
  mip_shot "$name" "$image" $without --fov 90 --pan "$mip_pan"
  mip_shot "$name-nudged" "$image" $without --fov 90 --pan "$mip_nudged"
done
reference=$(rmse filtered filtered-nudged)
described=$(rmse described described-nudged)
levels=$(rmse levels levels-nudged)
echo "  change between the two pictures (RMSE/1000): filtered copy $reference," \
  "without levels $described ($((100 * described / reference))%)," \
  "with levels $levels ($((100 * levels / reference))%)"
echo "  distance from the filtered copy: without levels $(rmse described filtered)," \
  "with levels $(rmse levels filtered)"
check "with levels at most 1.25 times the filtered copy's change" \
  in_range "$((100 * levels))" 0 "$((125 * reference))"
check "with levels nearer the filtered copy than without" \
  in_range "$(rmse levels filtered)" 0 "$(rmse described filtered)"

test_case "mip levels: zoomed in, the top level shows the image pixel for pixel"
# Tiles of 2048 x 1024: no level is resampled, so with and without levels
# the magnified picture must be the same.
noise_jpeg 4096 1024
mip_shot described-near "$noise" --no-options --fov 10 --pan "$mip_pan"
mip_shot levels-near "$noise" --fov 10 --pan "$mip_pan"
same=$(rmse described-near levels-near)
echo "  zoomed in, with and without levels differ by $same"
check "zoomed in, with and without levels the same picture ($same)" in_range "$same" 0 2
