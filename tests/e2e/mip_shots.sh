# Mip levels seen under Wine, shared by the end-to-end case and bench/shimmer:
# a detailed panorama zoomed out, about five texels to a screen pixel, shown
# twice a fraction of a pixel apart in pan; how much the two pictures differ
# is the shimmer of a slow turn. The same comparison on a copy of the image
# filtered down to the screen's sampling rate is the reference. Needs lib.sh
# and work, images, stub, panopack.

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

# measure_shimmer: sets reference, described and levels (the change between
# the two pictures of the filtered copy, of the image without levels and
# with them) and described_off, levels_off (their distance from the filtered
# copy), in RMSE thousandths. 6000 x 1500 noise: tiles of 1500 x 1500, so
# the chains are resampled to powers of two; the reference is the image at
# a fifth.
measure_shimmer() {
  noise_jpeg 6000 1500
  local detail=$noise shot name image without
  convert "$detail" -resize 1200x300 -quality 95 "$work/filtered.jpg"
  for shot in "filtered $work/filtered.jpg --no-options" "described $detail --no-options" "levels $detail"; do
    read -r name image without <<<"$shot"
    mip_shot "$name" "$image" $without --fov 90 --pan "$mip_pan"
    mip_shot "$name-nudged" "$image" $without --fov 90 --pan "$mip_nudged"
  done
  reference=$(rmse filtered filtered-nudged)
  described=$(rmse described described-nudged)
  levels=$(rmse levels levels-nudged)
  described_off=$(rmse described filtered)
  levels_off=$(rmse levels filtered)
}
