# End-to-end: a viewer packed to start full screen, and a drag that the
# change-device dialog cuts short. Sourced by run.

pack fullscreen --title "Full screen" --no-auto-motion --fullscreen

test_case "a viewer set to start full screen does so; Escape returns to the window"
start_program "$work/fullscreen.exe"
if id=$(find_window "Panorama - Full screen"); then
  sleep 2
  check "full screen at start ($(window_geometry "$id"))" [ "$(window_geometry "$id")" = "0 0 1024 768" ]
  screenshot "$work/fullscreen.png"
  check "the panorama shows: sky above ground" brighter "$work/fullscreen.png" 392 300 600
  xdotool key --window "$id" Escape
  sleep 2
  check "Escape returns to a window ($(window_geometry "$id"))" [ "$(window_geometry "$id")" != "0 0 1024 768" ]
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
  check "exit code 0" exit_code_is 0
else
  fail "no window titled Panorama - Full screen"
  stop_viewer
fi

test_case "a drag cut short by the change-device dialog ends with it"
start_program "$work/still.exe"
if id=$(find_window "Panorama - Harbour sample"); then
  sleep 2
  xdotool mousemove --window "$id" 396 250 mousedown 1 mousemove --window "$id" 496 250
  sleep 0.5
  xdotool key --window "$id" F2
  if dialog=$(find_window "Change device" 10); then
    xdotool mouseup 1
    sleep 0.3
    xdotool key --window "$dialog" Escape
    check "Escape cancels the dialog" wait_gone "Change device"
    sleep 0.5
    screenshot "$work/cut1.png"
    sleep 1
    screenshot "$work/cut2.png"
    check "the view stands still after the dialog" [ "$(compare -metric AE "$work/cut1.png" "$work/cut2.png" null: 2>&1)" = 0 ]
    xdotool windowfocus "$id"
    sleep 0.3
    keys Right 3
    sleep 0.8
    screenshot "$work/cut3.png"
    check "keys work again" [ "$(compare -metric AE "$work/cut2.png" "$work/cut3.png" null: 2>&1)" != 0 ]
  else
    fail "no change-device dialog during the drag"
    xdotool mouseup 1
  fi
  escape_ends_with_0
else
  no_window "Panorama - Harbour sample"
fi
