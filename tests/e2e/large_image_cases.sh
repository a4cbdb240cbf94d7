# End-to-end: large panoramas as stitching software and map makers give
# them show, and live through zooming out and dragging; an image whose cost
# the viewer cannot hold ends with the fatal message before any tile is
# allocated, or, with the options record, shows smaller. Sourced by run.

large_options=(--window-width 800 --window-height 400 --no-auto-motion)

# Has the client area left the window class's white? (Its centre may show
# a white post.)
drawn() {
  screenshot "$work/screen.png"
  local mean
  mean=$(convert "$work/screen.png" -crop "${client_w}x${client_h}+$client_x+$client_y" +repage \
    -colorspace gray -format '%[fx:mean]' info:)
  awk -v m="$mean" 'BEGIN {exit !(m < 0.98)}'
}

wait_drawn() {  # wait_drawn SECONDS
  for _ in $(seq $(($1 * 2))); do drawn && return 0; sleep 0.5; done
  return 1
}

peak_kib() {
  awk '/^VmHWM/ {print $2}' "/proc/$app_pid/status"
}

# peak_within COUNTED_KIB: the viewer's peak working set is at most what the
# rule counts and the viewer's own.
peak_within() {
  local peak
  peak=$(peak_kib)
  echo "  peak working set $((peak / 1024)) MiB; the rule counts $(($1 / 1024)) MiB"
  check "peak $((peak / 1024)) MiB, at most the $(($1 / 1024)) MiB counted and the viewer's own" \
    in_range "${peak:-0}" 1 $(($1 + viewer_own_kib))
}

# Zoom out by five wheel clicks towards the user, then drag, ROUNDS times
# or until SECONDS have passed.
zoom_out_and_drag() {  # zoom_out_and_drag ROUNDS SECONDS
  local deadline=$((SECONDS + $2)) x=$((client_x + 300)) y=$((client_y + 150))
  for _ in $(seq "$1"); do
    zoom_out_and_drag_at "$x" "$y" 200 40
    sleep 0.5
    kill -0 "$app_pid" 2>/dev/null || return 1
    [ "$SECONDS" -lt "$deadline" ] || break
  done
}

# show_large EXE TITLE ROUNDS SECONDS: shows, lives through the rounds,
# holds no more than counted, ends with 0 on Escape.
show_large() {
  local exe=$1 title=$2 counted
  counted=$(counted_kib "$exe")
  start_program "$exe"
  if ! id=$(find_window "$title" 30); then
    fail "no window titled $title"
    stop_viewer
    return
  fi
  check "the panorama is drawn" wait_drawn 60
  check "it lives through zooming out and dragging" zoom_out_and_drag "$3" "$4"
  check "the picture is still drawn" drawn
  peak_within "$counted"
  xdotool key --window "$id" Escape
  wait_exit "$app_pid" 20
  check "Escape ends it with 0 ($exit_code)" exit_code_is 0
  [ "$exit_code" = timeout ] && stop_viewer
}

# refused EXE TITLE: the fatal message, before anything large was allocated.
refused() {
  start_program "$1"
  if ! id=$(find_window "$2" 20); then
    fail "no fatal message titled $2"
    stop_viewer
    return
  fi
  sleep 0.5
  local message peak
  message=$("$WINELOADER" "$winctl" text "$2" | tr -d '\r')
  check "the generic fatal message" [ "${message%%$'\n'*}" = "Generic application error." ]
  peak=$(peak_kib)
  check "at most 400 MB ever used ($peak kB)" in_range "${peak:-0}" 1 400000
  xdotool key --window "$id" Return
  wait_exit "$app_pid"
  check "the fatal message ends with 0" exit_code_is 0
}

# same_view_as REFERENCE NAME WHAT: the client area, kept as NAME.png, shows
# what the picture REFERENCE does, but for 2 % of its pixels.
same_view_as() {
  screenshot "$work/screen.png"
  convert "$work/screen.png" -crop "${client_w}x${client_h}+$client_x+$client_y" +repage "$work/$2.png"
  local differing
  differing=$(compare -metric AE -fuzz 10% "$1" "$work/$2.png" null: 2>&1)
  check "$3 ($differing pixels differ)" in_range "${differing%%.*}" 0 $((client_w * client_h / 50))
}

pack_large() {  # pack_large IMAGE NAME TITLE [options...]
  local image=$1 name=$2 title=$3
  shift 3
  "$panopack" create --stub "$stub" --image "$image" -o "$work/$name.exe" "${large_options[@]}" \
    --title "$title" "$@" >/dev/null || fail "cannot pack $name"
}

test_case "large images: a 30000 x 3000 cylinder shows"
pattern_jpeg "$images/30000x3000.jpg" 30000 3000
pack_large "$images/30000x3000.jpg" cylinder30000 "Cylinder 30000" --hfov 360
show_large "$work/cylinder30000.exe" "Panorama - Cylinder 30000" 1 10

test_case "large images: a 11469 x 5734 sphere, zoomed out and dragged, lives"
pattern_jpeg "$images/11469x5734.jpg" 11469 5734 --sphere
pack_large "$images/11469x5734.jpg" sphere11469 "Sphere 11469" --projection sphere
show_large "$work/sphere11469.exe" "Panorama - Sphere 11469" 5 60

test_case "large images: wide cylinders from 20000 to 60000 pixels"
pattern_jpeg "$images/20000x2000.jpg" 20000 2000
pack_large "$images/20000x2000.jpg" cylinder20000 "Cylinder 20000" --hfov 360
show_large "$work/cylinder20000.exe" "Panorama - Cylinder 20000" 1 10
for size in 40000x4000 60000x6000; do
  # The 20000 x 2000 file claiming the larger size in its frame header;
  # without the options record, which would show it smaller.
  cp "$images/20000x2000.jpg" "$work/claims$size.jpg"
  claim_size "$work/claims$size.jpg" "${size%x*}" "${size#*x}"
  pack_large "$work/claims$size.jpg" "cylinder$size" "Cylinder $size" --hfov 360 --no-options
  refused "$work/cylinder$size.exe" "Panorama - Cylinder $size"
done

test_case "large images: the worst rounding the limit admits, 16388 x 4097, for a minute"
# Tiles of 4097 x 2048 and 4097 x 2049 on surfaces of 8192 x 2048 and
# 8192 x 4096: three times the tiles' pixels, near the limit.
pattern_jpeg "$images/16388x4097.jpg" 16388 4097
pack_large "$images/16388x4097.jpg" rounding "Worst rounding" --hfov 360
show_large "$work/rounding.exe" "Panorama - Worst rounding" 1000 60

test_case "size limit: a 16384 x 8192 sphere, whose tiles need no rounding, shows"
# The sample sphere decoded at twice its size, twice: the same picture.
largest="$work/sphere16384.jpg"
djpeg -scale 16/8 "$samples/sphere.jpg" | cjpeg -quality 90 | djpeg -scale 16/8 |
  cjpeg -quality 90 >"$largest"
size_options=(--projection sphere --pan 100 --tilt 0 --fov 60)
pack_large "$samples/sphere.jpg" sphere4096 "Size limit" "${size_options[@]}"
pack_large "$largest" sphere16384 "Size limit" "${size_options[@]}"
if client_shot "$work/sphere4096.exe" "Panorama - Size limit" "$work/small.png"; then
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
fi
rm -f "$work/sphere16384.trace"
PANO_TRACE="$work/sphere16384.trace" start_program "$work/sphere16384.exe"
if id=$(find_window "Panorama - Size limit" 30); then
  wait_drawn 60
  sleep 1
  same_view_as "$work/small.png" large "the same view as the 4096 x 2048 sphere's"
  # The viewer keeps no pixels of its own once the textures hold them: a
  # new device gets them back from the old one's textures.
  xdotool key --window "$id" F2
  if dialog=$(find_window "Change device" 10); then
    sleep 0.5
    xdotool key --window "$dialog" Down
    sleep 0.3
    xdotool key --window "$dialog" Return
    for _ in $(seq 60); do
      [ "$(grep -c ' textures-built' "$work/sphere16384.trace")" -ge 2 ] && break
      sleep 0.5
    done
    xdotool windowfocus "$id"
    sleep 1
    same_view_as "$work/large.png" rebuilt "after a device change the same picture"
    awk '$3 == "textures-read-back" {back = $1; peak = $2} $3 == "textures-built" && back {built = $1}
      END {printf "  device change: textures read back (peak working set %d MiB by then), built again %.0f ms later\n", peak / 1024, built - back}' \
      "$work/sphere16384.trace"
  else
    fail "no change-device dialog"
  fi
  xdotool key --window "$id" Escape
  wait_exit "$app_pid" 20
  check "exit code 0" exit_code_is 0
else
  fail "no window for the largest sphere"
  stop_viewer
fi

test_case "size limit: one row more doubles the lower tiles' surfaces and is refused"
cp "$largest" "$work/sphere16384x8193.jpg"
claim_size "$work/sphere16384x8193.jpg" 16384 8193
pack_large "$work/sphere16384x8193.jpg" over "Over the limit" "${size_options[@]}" \
  --tilt-min -90 --tilt-max 90 --no-options
refused "$work/over.exe" "Panorama - Over the limit"

test_case "scaled decode: a 32768 x 16384 sphere shows at half its size, like the 16384 x 8192 one"
# The 16384 x 8192 sphere decoded at twice its size, streamed.
huge="$images/sphere32768.jpg"
if [ ! -s "$huge" ]; then
  djpeg -scale 16/8 "$largest" | cjpeg -quality 90 >"$huge.part" && mv "$huge.part" "$huge"
fi
check "the packer says at which size it shows" \
  bash -c '"$1" create --stub "$2" --image "$3" -o "$4" "${@:5}" | grep -q "^shown at 16384 x 8192 of 32768 x 16384:"' \
  - "$panopack" "$stub" "$huge" "$work/sphere32768.exe" "${large_options[@]}" --title "Scaled" \
  "${size_options[@]}"
counted=$(counted_kib "$work/sphere32768.exe")
started=$SECONDS
start_program "$work/sphere32768.exe"
if id=$(find_window "Panorama - Scaled" 60); then
  check "the panorama is drawn" wait_drawn 90
  echo "  drawn $((SECONDS - started)) s after start"
  sleep 1
  same_view_as "$work/large.png" scaled "the same view as the 16384 x 8192 sphere's"
  peak_within "$counted"
  xdotool key --window "$id" Escape
  wait_exit "$app_pid" 20
  check "exit code 0" exit_code_is 0
else
  fail "no window for the scaled sphere"
  stop_viewer
fi
