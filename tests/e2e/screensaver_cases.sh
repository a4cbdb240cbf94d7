# End-to-end: a screensaver's switches, its full screen run and what ends
# it. Sourced by run.

pack saver --screensaver --no-auto-motion

test_case "screensaver switches"
for args in "/c" "/C:123" ""; do
  start_program "$work/saver.exe" $args
  if id=$(find_window "Panorama Screensaver" 10); then
    xdotool key --window "$id" Return
    wait_exit "$app_pid"
    check "about box for '$args' ends with 0" exit_code_is 0
  else
    fail "no about box for '$args'"
    stop_viewer
  fi
done
for args in "/p 123" "-s"; do
  start_program "$work/saver.exe" $args
  wait_exit "$app_pid" 5
  check "'$args' ends at once with 0" exit_code_is 0
done

test_case "screensaver runs full screen; a key ends it, mouse motion does not"
start_program "$work/saver.exe" /s
first=$app_pid
if id=$(find_window "Panorama"); then
  sleep 2
  check "full screen" [ "$(window_geometry "$id")" = "0 0 1024 768" ]
  start_program "$work/saver.exe" /s
  wait_exit "$app_pid" 5
  check "a second instance ends at once with 0" exit_code_is 0
  xdotool mousemove --window "$id" 300 300 mousemove --window "$id" 500 400
  sleep 1
  check "mouse motion does not end it" kill -0 "$first"
  xdotool key --window "$id" a
  wait_exit "$first"
  check "a key ends it with 0" exit_code_is 0
else
  fail "no screensaver window"
  app_pid=$first
  stop_viewer
fi

# The switches compare two characters without regard to case and ignore
# what follows; every key ends the screensaver, also the system keys and
# those of the accelerator table.
for run in "/S|a" "/s 123|F2" "/s|alt" "/s|F10" "/s|alt+x"; do
  args=${run%|*} key=${run#*|}
  test_case "screensaver '$args' ends on $key"
  start_program "$work/saver.exe" $args
  first=$app_pid
  if id=$(find_window "Panorama"); then
    sleep 2
    check "full screen" [ "$(window_geometry "$id")" = "0 0 1024 768" ]
    xdotool key --window "$id" "$key"
    wait_exit "$first"
    check "$key ends it with 0" exit_code_is 0
    check "no dialog left behind" [ -z "$(xdotool search --name '^Change device$')" ]
  else
    fail "no screensaver window"
  fi
  app_pid=$first
  stop_viewer
done
