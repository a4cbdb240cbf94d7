# End-to-end: keys, the wheel and the mouse turn and zoom the view; full
# screen, the change-device dialog and automatic motion. Sourced by run.

pack moving --title "Moving" --idle-delay 1.5 --auto-pan-speed 10
# A lower zoom limit than the projection can show in this window (about 2.4
# degrees wide), starting at the right pan limit.
pack narrowest --title "Narrowest" --no-auto-motion --fov-min 1 --pan 60.2 --fov 3

# The horizontal screen position of the leftmost post, or of one between
# two screen columns; -1 when there is none.
post_x() { first_white_x "$1" $((horizon_y - 25)) $((client_x + 10)) $((client_x + client_w - 10)); }
post_between() { first_white_x "$1" $((horizon_y - 25)) "$2" "$3"; }
# The first row, from the top, of dark ground in a column left of the centre.
ground_y() {
  convert "$1" -crop "1x$client_h+$((centre_x - 120))+$client_y" +repage -depth 8 txt:- |
    awk -F'[,:() ]+' -v top="$client_y" '/^[0-9]/ {
        split($0, parts, "[()]"); split(parts[2], c, ",");
        if (c[1] + c[2] + c[3] < 200) {print $2 + top; found = 1; exit}
      } END {if (!found) print -1}'
}

# The screen columns where posts begin, left to right.
post_positions() {
  convert "$1" -crop "$((client_w - 20))x1+$((client_x + 10))+$((horizon_y - 25))" +repage -depth 8 txt:- |
    awk -F'[,: ]+' -v x0=$((client_x + 10)) '/^[0-9]/ {white = ($0 ~ /#F[A-F0-9]F[A-F0-9]F[A-F0-9]/)
         if (white && !was) printf "%d ", $1 + x0; was = white}'
}

# The distance between the first two posts on the screen, or 9999.
post_spacing() {
  convert "$1" -crop "$((client_w - 20))x1+$((client_x + 10))+$((horizon_y - 25))" +repage -depth 8 txt:- |
    awk -F'[,: ]+' '/^[0-9]/ {white = ($0 ~ /#F[A-F0-9]F[A-F0-9]F[A-F0-9]/)
         if (white && !was) starts[n++] = $1; was = white}
         END {print (n >= 2 ? starts[1] - starts[0] : 9999)}'
}

# One input on a fresh viewer at its initial view; leaves the screenshots
# before and after in $work/before.png and $work/after.png.
fresh_input() {  # description action...
  local what=$1
  shift
  start_program "$work/still.exe"
  if ! id=$(find_window "Panorama - Harbour sample"); then
    fail "$what: no window"
    stop_viewer
    return 1
  fi
  sleep 2
  screenshot "$work/before.png"
  xdotool windowfocus "$id"
  sleep 0.3
  "$@"
  sleep 0.8
  screenshot "$work/after.png"
  # Keys sent while Wine still settles the focus on a new window are lost:
  # when nothing changed, focus again and repeat the input once.
  if [ "$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1)" = 0 ]; then
    xdotool windowfocus "$id"
    sleep 0.5
    "$@"
    sleep 0.8
    screenshot "$work/after.png"
  fi
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
}

wheel() {  # wheel BUTTON COUNT
  xdotool mousemove --window "$id" 396 186
  for _ in $(seq "$2"); do xdotool click "$1"; sleep 0.3; done
}

# The view turns right: the post at the image's middle (at the centre at
# first) moves left by about 119 pixels for six steps of a fortieth.
for key in Right d; do
  test_case "$key turns the view right by six steps"
  if fresh_input "$key" keys "$key" 6; then
    moved=$(post_between "$work/after.png" $((centre_x - 180)) $((centre_x - 60)))
    check "the post moved left (posts now at $(post_positions "$work/after.png"))" [ "$moved" -ge 0 ]
  fi
done

for key in Up w; do
  test_case "$key looks up"
  if fresh_input "$key" keys "$key" 3; then
    before=$(ground_y "$work/before.png") after=$(ground_y "$work/after.png")
    check "the horizon moves down the screen ($before to $after)" [ "$after" -gt "$before" ]
  fi
done

zoom_case() {  # description direction(in|out) action...
  local what=$1 direction=$2
  shift 2
  test_case "$what zooms $direction"
  if fresh_input "$what" "$@"; then
    local before after
    before=$(post_spacing "$work/before.png") after=$(post_spacing "$work/after.png")
    if [ "$direction" = in ]; then
      check "posts further apart ($before to $after)" in_range "$after" $((before + 1)) 9998
    else
      check "posts closer together ($before to $after)" [ "$after" -lt "$before" ]
    fi
  fi
}
zoom_case "numpad +" in keys KP_Add 3
zoom_case "Shift" in keys Shift_L 3
zoom_case "the wheel turned forward" in wheel 4 3
zoom_case "numpad -" out keys KP_Subtract 3
zoom_case "Ctrl" out keys Control_L 3

test_case "zooming in to the lower limit at the right pan limit"
start_program "$work/narrowest.exe"
if id=$(find_window "Panorama - Narrowest"); then
  sleep 2
  xdotool windowfocus "$id"
  sleep 0.3
  # Ten steps would reach 2 degrees, narrower than the projection takes;
  # then as far right as the view goes.
  keys KP_Add 10
  keys Right 25
  sleep 0.8
  screenshot "$work/narrowest.png"
  sky_top=$((client_y + 20)) sky_height=$((horizon_y - client_y - 40))
  level=$(darkest "$work/narrowest.png" $((client_x + client_w - 3)) "$sky_top" 3 "$sky_height")
  check "no black strip at the right edge (darkest grey $level)" [ "$level" -gt 40 ]
  keys KP_Subtract 3
  sleep 0.8
  screenshot "$work/wider.png"
  check "zooming out again works at once" \
    [ "$(compare -metric AE "$work/narrowest.png" "$work/wider.png" null: 2>&1)" != 0 ]
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
else
  fail "no window titled Panorama - Narrowest"
  stop_viewer
fi

test_case "a left drag turns the view the drag's way; Space starts and stops motion"
start_program "$work/still.exe"
if id=$(find_window "Panorama - Harbour sample"); then
  sleep 2
  screenshot "$work/d0.png"
  d0=$(post_x "$work/d0.png")
  # Rate control: 30 pixels right of the anchor turn the view by about 60
  # pixels a second once inertia has caught up, so a release that a busy
  # machine delays by a second still leaves the post in sight.
  xdotool mousemove --window "$id" 396 250 mousedown 1 mousemove --window "$id" 426 250
  sleep 1
  xdotool mouseup 1
  sleep 0.5
  screenshot "$work/d1.png"
  d1=$(post_between "$work/d1.png" $((d0 - 250)) $((d0 - 40)))
  check "a drag to the right turns right: the post moves left (from $d0 to $d1)" [ "$d1" -ge 0 ]
  xdotool key --window "$id" space
  sleep 1
  screenshot "$work/s1.png"
  sleep 1
  screenshot "$work/s2.png"
  check "Space starts automatic motion" [ "$(compare -metric AE "$work/s1.png" "$work/s2.png" null: 2>&1)" != 0 ]
  xdotool key --window "$id" space
  sleep 0.3
  screenshot "$work/s3.png"
  sleep 1
  screenshot "$work/s4.png"
  check "a second Space stops it" [ "$(compare -metric AE "$work/s3.png" "$work/s4.png" null: 2>&1)" = 0 ]
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
else
  fail "no window titled Panorama - Harbour sample"
  stop_viewer
fi

test_case "full screen: maximise, right click and Escape"
start_program "$work/still.exe"
if id=$(find_window "Panorama - Harbour sample"); then
  sleep 2
  "$WINELOADER" "$winctl" maximize "Panorama - Harbour sample"
  sleep 2
  check "maximise goes full screen ($(window_geometry "$id"))" [ "$(window_geometry "$id")" = "0 0 1024 768" ]
  xdotool mousemove --window "$id" 500 400 click 3
  sleep 2
  check "right click returns to the window" [ "$(window_geometry "$id")" = "$client_x $client_y $client_w $client_h" ]
  "$WINELOADER" "$winctl" maximize "Panorama - Harbour sample"
  sleep 2
  xdotool key --window "$id" Escape
  sleep 2
  check "Escape returns to the window" [ "$(window_geometry "$id")" = "$client_x $client_y $client_w $client_h" ]
  check "still running" kill -0 "$app_pid"

  test_case "F2 opens the change-device dialog; Cancel leaves it running"
  xdotool key --window "$id" F2
  if dialog=$(find_window "Change device" 10); then
    pass
    # The viewer starts on the primary driver alone; the dialog lists the
    # others too. Another driver's devices all carry its description (Wine's
    # second driver has three), the primary's devices their own names.
    check "the other driver's devices are listed" \
      grep -q . <<<"$("$WINELOADER" "$winctl" items "Change device" | tr -d '\r' |
        grep -v '^[0-9]* x [0-9]* x [0-9]*$' | sort | uniq -d)"
    xdotool key --window "$dialog" Escape
    check "Escape cancels the dialog" wait_gone "Change device"
    check "the viewer runs on" kill -0 "$app_pid"
  else
    fail "no change-device dialog"
  fi
  escape_ends_with_0
else
  no_window "Panorama - Harbour sample"
fi

test_case "automatic motion after the idle delay"
start_program "$work/moving.exe"
if id=$(find_window "Panorama - Moving"); then
  sleep 1.5
  screenshot "$work/moving1.png"
  sleep 1.5
  screenshot "$work/moving2.png"
  check "the view turns by itself" [ "$(compare -metric AE "$work/moving1.png" "$work/moving2.png" null: 2>&1)" != 0 ]
  # A navigation key stops it until the idle delay has passed again.
  tap "$id" Right
  sleep 0.1
  screenshot "$work/moving3.png"
  sleep 0.6
  screenshot "$work/moving4.png"
  check "a key stops it" [ "$(compare -metric AE "$work/moving3.png" "$work/moving4.png" null: 2>&1)" = 0 ]
  sleep 1.5
  screenshot "$work/moving5.png"
  sleep 0.5
  screenshot "$work/moving6.png"
  check "it turns again after the idle delay" [ "$(compare -metric AE "$work/moving5.png" "$work/moving6.png" null: 2>&1)" != 0 ]
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
  check "exit code 0" exit_code_is 0
else
  fail "no window titled Panorama - Moving"
  stop_viewer
fi
