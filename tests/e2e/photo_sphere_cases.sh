# End-to-end: a cropped 180 x 90 degree photo sphere whose geometry comes
# only from its GPano metadata, written by exiftool. Sourced by run.

test_case "photo sphere metadata: a cropped 180 x 90 degree sphere"
crop="$work/cropped.jpg"
jpegtran -crop 2048x1024+1024+512 -outfile "$crop" "$samples/sphere.jpg"
exiftool -q -overwrite_original -XMP-GPano:ProjectionType=equirectangular \
  -XMP-GPano:FullPanoWidthPixels=4096 -XMP-GPano:FullPanoHeightPixels=2048 \
  -XMP-GPano:CroppedAreaImageWidthPixels=2048 -XMP-GPano:CroppedAreaImageHeightPixels=1024 \
  -XMP-GPano:CroppedAreaLeftPixels=1024 -XMP-GPano:CroppedAreaTopPixels=512 \
  -XMP-GPano:InitialViewHeadingDegrees=180 -XMP-GPano:InitialViewPitchDegrees=0 \
  -XMP-GPano:InitialHorizontalFOVDegrees=60 "$crop"
said=$("$panopack" create --stub "$stub" --image "$crop" -o "$work/cropped.exe" \
  --window-width 800 --window-height 400 --title "Cropped sphere" --no-auto-motion)
check "the packer says what it took from the metadata ($said)" \
  grep -q "^photo sphere metadata: equirectangular 180 x 90 degrees" <<<"$said"
# The same view of the whole sphere: the crop's middle is the sphere's.
"$panopack" create --stub "$stub" --image "$samples/sphere.jpg" -o "$work/whole.exe" \
  --projection sphere --window-width 800 --window-height 400 --title "Whole sphere" \
  --no-auto-motion --pan 180 --tilt 0 --fov 60 >/dev/null || fail "cannot pack the whole sphere"

if client_shot "$work/whole.exe" "Panorama - Whole sphere" "$work/whole.png"; then
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
fi
if client_shot "$work/cropped.exe" "Panorama - Cropped sphere" "$work/cropped.png"; then
  # Only the title's text differs, and the meshes' facets slightly.
  differing=$(compare -metric AE -fuzz 10% "$work/whole.png" "$work/cropped.png" null: 2>&1)
  check "the first view is the whole sphere's at pan 180, tilt 0, fov 60 ($differing pixels differ)" \
    in_range "${differing%%.*}" 0 $((client_w * client_h / 50))

  test_case "photo sphere metadata: the view stops at the crop's left edge"
  xdotool keydown --window "$id" Left
  sleep 4
  xdotool keyup --window "$id" Left
  sleep 1
  screenshot "$work/left.png"
  # The crop starts at the sphere's third sector (yellow); the second
  # (orange) must never show at the left edge.
  read -r -a edge <<<"$(pixel "$work/left.png" $((client_x + 2)) $((horizon_y - 60)))"
  check "yellow, not orange, at the left edge (${edge[*]})" \
    [ $((edge[1] * 100)) -ge $((edge[0] * 85)) ]
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
  check "exit code 0" exit_code_is 0
fi
