# End-to-end: the largest image the viewer accepts really shows, and one
# just above the limit ends with the fatal message before any tile is
# allocated. Sourced by run.

test_case "size limit: a 16384 x 8192 sphere, the largest accepted, shows"
# The sample sphere decoded at twice its size, twice: the same picture.
largest="$work/sphere16384.jpg"
djpeg -scale 16/8 "$samples/sphere.jpg" | cjpeg -quality 90 | djpeg -scale 16/8 |
  cjpeg -quality 90 >"$largest"
size_options=(--projection sphere --window-width 800 --window-height 400 --no-auto-motion
  --pan 100 --tilt 0 --fov 60)
"$panopack" create --stub "$stub" --image "$samples/sphere.jpg" -o "$work/sphere4096.exe" \
  "${size_options[@]}" --title "Size limit" >/dev/null || fail "cannot pack the sample sphere"
"$panopack" create --stub "$stub" --image "$largest" -o "$work/sphere16384.exe" \
  "${size_options[@]}" --title "Size limit" >/dev/null || fail "cannot pack the largest sphere"

# Has the client area's centre left the window class's white?
drawn() {
  screenshot "$work/screen.png"
  ! pixel_near "$work/screen.png" "$centre_x" "$horizon_y" 255 255 255 8
}

if client_shot "$work/sphere4096.exe" "Panorama - Size limit" "$work/small.png"; then
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
fi
start_program "$work/sphere16384.exe"
if id=$(find_window "Panorama - Size limit" 30); then
  for _ in $(seq 120); do drawn && break; sleep 0.5; done
  sleep 1
  screenshot "$work/screen.png"
  convert "$work/screen.png" -crop "${client_w}x${client_h}+$client_x+$client_y" +repage "$work/large.png"
  differing=$(compare -metric AE -fuzz 10% "$work/small.png" "$work/large.png" null: 2>&1)
  check "the same view as the 4096 x 2048 sphere's ($differing pixels differ)" \
    in_range "${differing%%.*}" 0 $((client_w * client_h / 50))
  xdotool key --window "$id" Escape
  wait_exit "$app_pid" 20
  check "exit code 0" exit_code_is 0
else
  fail "no window for the largest sphere"
  stop_viewer
fi

test_case "size limit: one column more is refused before any tile exists"
# The same file claiming 16385 x 8192 pixels in its frame header.
over="$work/sphere16385.jpg"
cp "$largest" "$over"
sof=$(LC_ALL=C grep -obUaP '\xFF\xC0' "$over" | head -n1 | cut -d: -f1)
printf '\x40\x01' | dd of="$over" bs=1 seek=$((sof + 7)) conv=notrunc status=none
"$panopack" create --stub "$stub" --image "$over" -o "$work/over.exe" \
  "${size_options[@]}" --title "Over the limit" >/dev/null || fail "cannot pack the oversized sphere"
start_program "$work/over.exe"
if id=$(find_window "Panorama - Over the limit" 20); then
  sleep 0.5
  message=$("$WINELOADER" "$winctl" text "Panorama - Over the limit" | tr -d '\r')
  check "the generic fatal message" [ "${message%%$'\n'*}" = "Generic application error." ]
  peak=$(awk '/^VmHWM/ {print $2}' "/proc/$app_pid/status")
  check "at most 400 MB ever used, far below the 512 MiB of tiles ($peak kB)" \
    in_range "$peak" 1 400000
  xdotool key --window "$id" Return
  wait_exit "$app_pid"
  check "the fatal message ends with 0" exit_code_is 0
else
  fail "no fatal message titled Panorama - Over the limit"
  stop_viewer
fi
