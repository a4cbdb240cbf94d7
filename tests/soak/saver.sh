# The screensaver under the soak: started with /s, it must end with exit
# code 0 on every key and every left click, and live on through pointer
# motion, the wheel and the right button; each time it ends it is started
# again.

saver_inputs=(mouse:5 wheel:4 right_click:2 second:1 end_key:5 end_click:2)
# Every kind of key ends it, those the viewer uses for itself included.
saver_keys=(a space Return Escape Right KP_Add Shift_L Control_L F1 Tab F2 alt F10 alt+Tab)

saver_input_mouse() { input_mouse; }
saver_input_wheel() { input_wheel; }

saver_input_right_click() {
  client_point
  note saver_right_click "at $px,$py"
  xdotool mousemove "$px" "$py" click 3
}

saver_input_second() {  # a second screensaver ends at once; the first runs on
  note saver_second "/s"
  local first=$v_pid
  start_program "$saver_exe" /s
  wait_exit "$app_pid" 10
  check "a second screensaver ends at once with 0 ($exit_code)" exit_code_is 0
  [ "$exit_code" = timeout ] && kill "$app_pid"
  check "the first screensaver runs on" kill -0 "$first"
}

saver_input_end_key() {
  pick_one "${saver_keys[@]}"
  rand_between 30 300
  note saver_end_key "$pick for $r ms"
  hold_key "$pick" "$r"
  saver_ends "$pick"
}

saver_input_end_click() {  # a left click, or the start of a drag
  client_point
  pick_one click drag
  note saver_end_click "$pick at $px,$py"
  if [ "$pick" = click ]; then
    xdotool mousemove "$px" "$py" click 1
  else
    press_and_move 120 40 5 300
    xdotool mouseup 1
  fi
  saver_ends "left $pick"
  # The release reached no window of Wine's: Wine would hold the button for
  # the next screensaver, whose every mouse move would then be a drag.
  check "Wine lets go of the left button" [ "$(winctl release)" = "left up" ]
}

# The input just sent must have ended the screensaver with exit code 0.
# One that has not is ended with a plain key, or stopped.
saver_ends() {  # saver_ends INPUT
  saver_ended_by=$1
  wait_exit "$v_pid" 10
  if [ "$exit_code" = timeout ]; then
    fail "$1 does not end the screensaver"
    no_dialogs
    leave_menu_loop
    hold_key a 100
    wait_exit "$v_pid" 10
    [ "$exit_code" = timeout ] && kill_viewer
  else
    check "$1 ends the screensaver with 0 ($exit_code)" exit_code_is 0
    check_references
  fi
  v_pid=""
}

# Automatic motion runs from the first frame; an input before that frame (the
# wheel, say) holds it back until the idle delay has passed without input.
# The last input may still be arriving when the check begins: wait two
# seconds past the delay.
picture_moves_by_itself() {
  picture_moves && return 0
  sleep "$idle_delay"
  sleep 2
  picture_moves
}

# The monitors other than the screensaver's own that show anything but
# black in the screenshot NAME, as "x,y" of each (none on one monitor).
lit_monitors() {  # lit_monitors NAME
  local x y w h
  monitors | tail -n +2 | while read -r x y w h; do
    [ "$(convert "$work/$1.png" -crop "${w}x$h+$x+$y" +repage -colorspace gray \
      -format '%[fx:int(255*maxima)]' info:)" -le 2 ] || printf '%s,%s ' "$x" "$y"
  done
}

check_saver() {
  test_case "$v_name: check at $((SECONDS - v_started)) s"
  alive || return 1
  no_dialogs || return 1
  check "full screen" wait_mode full 1
  check "the picture moves by itself, at once or after the idle delay" picture_moves_by_itself
  local edges
  edges=$(black_edges moved)
  check "no black at the edges of the view (${edges:-none})" [ -z "$edges" ]
  check_memory
}

# Screensavers, one after another, until the deadline.
run_saver() {  # run_saver SECONDS [NAME TITLE]: $work/NAME.exe, by default the harbour's
  v_name=${2:-saver} v_title=${3:-Panorama} saver_ended_by=""
  saver_exe="$work/$v_name.exe"
  local deadline=$((SECONDS + $1)) last_check
  v_started=$SECONDS
  while [ $((deadline - SECONDS)) -gt 10 ]; do
    test_case "$v_name: start $((saver_starts + 1)) at $((SECONDS - v_started)) s${saver_ended_by:+, after $saver_ended_by}"
    saver_starts=$((saver_starts + 1))
    start_viewer "$saver_exe" /s || continue
    check "the screensaver is full screen" wait_mode full 10
    shot covers
    local lit
    lit=$(lit_monitors covers)
    check "the other monitors are black (lit: ${lit:-none})" [ -z "$lit" ]
    last_check=$SECONDS
    while [ -n "$v_pid" ] && [ "$SECONDS" -lt "$deadline" ]; do
      pick_weighted "${saver_inputs[@]}"
      ensure_focus
      "saver_input_$pick"
      [ -n "$v_pid" ] || break
      alive || { v_pid=""; break; }
      if [ $((SECONDS - last_check)) -ge 10 ]; then
        check_saver || { kill_viewer; break; }
        last_check=$SECONDS
      fi
    done
  done
  if [ -n "$v_pid" ]; then
    test_case "$v_name: the end"
    hold_key a 100
    saver_ends a
  fi
}

# The live preview in a window of preview_host, which closes it after a few
# seconds as the settings dialog does: the host sees it end by itself, and
# it gave back every DirectDraw object it made.
run_preview() {
  v_name=preview
  test_case "preview: in a host window, closed by the host"
  launch "$wintree/bin/preview_host.exe" "$(winpath "$saver_exe")" 6
  wait_exit "$v_pid" 40
  check "the host saw the preview end by itself ($exit_code)" exit_code_is 0
  [ "$exit_code" = timeout ] && kill_viewer
  v_pid=""
  check_references
}
