# What users do to a viewer, one function per kind of input. Each input
# starts and ends at rest: no button held, no dialog or menu open, the
# keyboard focus on the viewer. The viewer is $v_pid with the X window $v_id
# (its client area) and the title $v_title.

nav_keys=(Left Right Up Down KP_4 KP_6 KP_8 KP_2 a d w s KP_Add KP_Subtract Shift_L Control_L)
# Keys without a meaning for the viewer (plus and minus of the main row
# included); Escape, Backspace and Alt+X are left out: in a window they end it.
other_keys=(plus minus equal q x Tab Home End Insert F1 F5 F12 1 9)

winctl() {
  "$WINELOADER" "$winctl_exe" "$@" | tr -d '\r'
}

client_geometry() {  # the viewer's client area on the screen into cx cy cw ch
  read -r cx cy cw ch <<<"$(window_geometry "$v_id")"
}

observe_mode() {  # v_mode: full (the whole screen) or window
  if [ "$(window_geometry "$v_id")" = "0 0 $screen_w $screen_h" ]; then v_mode=full; else v_mode=window; fi
}

wait_mode() {  # wait_mode MODE SECONDS: true once the viewer shows in MODE
  local i
  for i in $(seq $(( $2 * 5 ))); do
    observe_mode
    [ "$v_mode" = "$1" ] && return 0
    sleep 0.2
  done
  return 1
}

ensure_focus() {
  [ "$(xdotool getwindowfocus)" = "$v_id" ] || xdotool windowfocus "$v_id"
}

# What the viewer's thread is in: "menu", "iconic", ... (winctl state).
thread_state() {
  winctl state "$v_title"
}

clamp() {  # clamp VALUE LOW HIGH
  local v=$1
  [ "$v" -lt "$2" ] && v=$2
  [ "$v" -gt "$3" ] && v=$3
  echo "$v"
}

# A random point of the client area, on the screen, into px py.
client_point() {
  client_geometry
  rand "$cw"; px=$((cx + r))
  rand "$ch"; py=$((cy + r))
}

hold_key() {  # hold_key KEY MILLISECONDS: held down that long (the server repeats it)
  xdotool keydown --window "$v_id" "$1"
  pause_ms "$2"
  xdotool keyup --window "$v_id" "$1"
}

# Left button down at px py, then a path of STEPS moves by (dx, dy) over MS
# milliseconds; the button stays down.
press_and_move() {  # press_and_move DX DY STEPS MS
  local i x y
  xdotool mousemove "$px" "$py" mousedown 1
  for i in $(seq "$3"); do
    x=$(clamp $((px + $1 * i / $3)) 0 $((screen_w - 1)))
    y=$(clamp $((py + $2 * i / $3)) 0 $((screen_h - 1)))
    xdotool mousemove "$x" "$y"
    pause_ms $(( $4 / $3 ))
  done
}

# A drag offset of one of four length classes, from a twitch to more than
# the screen, into dx dy.
drag_offset() {
  local lengths=(4 60 300 900)
  rand 4
  local most=${lengths[$r]}
  rand_between "-$most" "$most"; dx=$r
  rand_between "-$most" "$most"; dy=$r
}

input_drag() {  # a left drag of any length and speed, now and then released outside
  local steps ms hold outside=""
  ensure_focus
  client_point
  drag_offset
  rand_between 1 25; steps=$r
  rand_between 20 3000; ms=$r
  rand 1500; hold=$r
  rand 4
  if [ "$r" = 0 ] && [ "$v_mode" = window ]; then
    # Past the nearest side of the client area.
    outside=", released outside"
    rand_between 5 80
    if [ "$dx" -ge 0 ]; then dx=$((cx + cw + r - px)); else dx=$((cx - r - px)); fi
  fi
  note drag "from $px,$py by $dx,$dy in $steps moves over $ms ms, held $hold ms$outside"
  press_and_move "$dx" "$dy" "$steps" "$ms"
  pause_ms "$hold"
  xdotool mouseup 1
}

input_click() {  # a left click, a double click or a right click anywhere on the viewer
  ensure_focus
  client_point
  pick_one left double right
  note click "$pick at $px,$py"
  case $pick in
    left) xdotool mousemove "$px" "$py" click 1 ;;
    double) xdotool mousemove "$px" "$py" click --repeat 2 --delay 80 1 ;;
    right) xdotool mousemove "$px" "$py" click 3 ;;
  esac
  # A right click ends full screen: what the viewer shows now is its own.
  sleep 0.5
  observe_mode
}

input_key() {  # a navigation key tapped
  ensure_focus
  pick_one "${nav_keys[@]}"
  rand_between 30 300
  note key "$pick for $r ms"
  hold_key "$pick" "$r"
}

input_key_hold() {  # a navigation key held long enough to repeat
  ensure_focus
  pick_one "${nav_keys[@]}"
  rand_between 400 3000
  note key_hold "$pick for $r ms"
  hold_key "$pick" "$r"
}

input_key_burst() {  # a navigation key struck many times in a row
  local count
  ensure_focus
  pick_one "${nav_keys[@]}"
  rand_between 2 30; count=$r
  rand_between 10 150
  note key_burst "$pick x$count every $r ms"
  xdotool key --window "$v_id" --repeat "$count" --delay "$r" "$pick"
}

input_toggle() {  # Space or Enter: automatic motion on or off, tapped or held
  ensure_focus
  pick_one space Return
  local key=$pick
  pick_one 80 150 1500
  note toggle "$key for $pick ms"
  hold_key "$key" "$pick"
}

input_other_key() {  # a key the viewer does nothing with
  ensure_focus
  pick_one "${other_keys[@]}"
  note other_key "$pick"
  hold_key "$pick" 100
}

input_wheel() {  # a burst of wheel clicks, mostly one way
  local count i button=4 delay
  ensure_focus
  client_point
  xdotool mousemove "$px" "$py"
  rand_between 1 20; count=$r
  rand_between 0 200; delay=$r
  rand 2; [ "$r" = 1 ] && button=5
  note wheel "$count clicks of button $button every $delay ms"
  for i in $(seq "$count"); do
    rand 8
    if [ "$r" = 0 ]; then xdotool click $((9 - button)); else xdotool click "$button"; fi
    pause_ms "$delay"
  done
}

# A new outer size; the window may reach up to 150 pixels past the right
# and bottom edges of the screen.
input_resize() {
  local left top width height
  observe_mode
  if [ "$v_mode" = full ]; then
    input_leave_full
    return
  fi
  client_geometry
  left=$((cx - frame_side)) top=$((cy - frame_top))
  rand_between 100 $((screen_w - left + 150)); width=$r
  rand_between 100 $((screen_h - top + 150)); height=$r
  note resize "to $width x $height"
  winctl resize "$v_title" "$width" "$height"
  sleep 0.5
}

input_maximise() {  # the maximise button: full screen (refused in full screen)
  observe_mode
  local before=$v_mode
  note maximise "from $before"
  winctl maximize "$v_title"
  if [ "$before" = window ]; then
    check "maximise goes full screen" wait_mode full 10
  else
    sleep 1
    check "maximise in full screen is refused" wait_mode full 1
  fi
  ensure_focus
}

input_leave_full() {  # right click, Escape or Backspace in full screen; a right click in a window
  observe_mode
  ensure_focus
  if [ "$v_mode" = window ]; then
    client_point
    note leave_full "right click in a window"
    xdotool mousemove "$px" "$py" click 3
    check "a right click in a window keeps the window" wait_mode window 1
    return
  fi
  pick_one right Escape BackSpace
  note leave_full "$pick"
  case $pick in
    right) client_point; xdotool mousemove "$px" "$py" click 3 ;;
    *) hold_key "$pick" 100 ;;
  esac
  check "$pick leaves full screen" wait_mode window 10
}

change_device_dialog() {  # the X window of the change-device dialog, within 10 s
  find_window "Change device" 10
}

input_f2_cancel() {  # F2, then the change-device dialog cancelled: Escape or its close box
  local dialog
  ensure_focus
  pick_one Escape close-box
  local how=$pick
  note f2_cancel "$how"
  hold_key F2 100
  if dialog=$(change_device_dialog); then
    rand_between 200 2000; pause_ms "$r"
    if [ "$how" = Escape ]; then
      xdotool key --window "$dialog" Escape
    else
      winctl close "Change device"
    fi
    check "$how cancels the change-device dialog" wait_gone "Change device" 10
  else
    fail "F2 opens no change-device dialog"
  fi
  ensure_focus
}

input_f2_confirm() {  # F2, a change (or none, or the one given) in the dialog, then OK
  local dialog change=${1:-}
  ensure_focus
  if [ -z "$change" ]; then
    pick_one alt+w Down Up none
    change=$pick
  fi
  note f2_confirm "$change, OK"
  hold_key F2 100
  if dialog=$(change_device_dialog); then
    pause_ms 500
    [ "$change" != none ] && xdotool key --window "$dialog" "$change"
    pause_ms 300
    xdotool key --window "$dialog" Return
    check "OK closes the change-device dialog" wait_gone "Change device" 10
  else
    fail "F2 opens no change-device dialog"
  fi
  # A confirmed change rebuilds the display, perhaps full screen.
  sleep 2
  observe_mode
  ensure_focus
}

# Leaves the menu loop the way a user does: Escape while the viewer's thread
# is in it (with or without a menu shown). Never sends Escape otherwise:
# in a window that would end the viewer.
leave_menu_loop() {
  local i
  for i in 1 2 3 4; do
    [[ " $(thread_state) " == *" menu "* ]] || return 0
    xdotool key --window "$v_id" Escape
    sleep 0.5
  done
  [[ " $(thread_state) " != *" menu "* ]]
}

input_menu() {  # the system menu (Alt+Space), F10 or a lone Alt, then Escape
  ensure_focus
  pick_one alt+space F10 alt
  local how=$pick
  note menu "$how"
  xdotool key --window "$v_id" "$how"
  sleep 0.5
  if [ "$how" = alt+space ]; then
    check "Alt+Space opens the system menu" [ -n "$(winctl windows '#32768')" ]
  fi
  rand_between 200 2000; pause_ms "$r"
  check "Escape leaves the menu loop" leave_menu_loop
  ensure_focus
}

# Another program takes the focus (what a window manager does on Alt+Tab or
# a click elsewhere) for MS milliseconds, then the user comes back.
other_program_for() {  # other_program_for MS
  local other id i
  rand_between 0 600; local x=$r
  rand_between 0 500
  xmessage -title "Another program" -geometry "+$x+$r" "Another program" >/dev/null 2>&1 &
  other=$!
  for i in $(seq 25); do
    id=$(xdotool search --name "^Another program\$" | head -n1)
    [ -n "$id" ] && break
    sleep 0.2
  done
  [ -n "$id" ] && xdotool windowfocus "$id"
  pause_ms "$1"
  kill "$other" 2>/dev/null
  wait "$other" 2>/dev/null
  xdotool windowfocus "$v_id"
  # After Alt+Tab Wine may leave the viewer inactive although X gave its
  # window the focus back: the user's click on its task activates it.
  winctl activate "$v_title"
}

input_focus_loss() {  # Alt+Tab or a click elsewhere: another program has the focus for a while
  ensure_focus
  pick_one alt+Tab elsewhere
  local how=$pick
  rand_between 300 4000
  note focus_loss "$how for $r ms"
  [ "$how" = alt+Tab ] && xdotool key --window "$v_id" alt+Tab
  other_program_for "$r"
  sleep 0.5
  observe_mode
}

input_minimise() {  # minimised for a while, then restored from its task
  rand_between 300 4000
  note minimise "for $r ms"
  winctl minimize "$v_title"
  pause_ms "$r"
  winctl restore "$v_title"
  sleep 1
  xdotool windowfocus "$v_id"
  observe_mode
}

input_mouse() {  # the pointer wanders over the screen without a button
  local moves i
  rand_between 1 15; moves=$r
  note mouse "$moves moves"
  for i in $(seq "$moves"); do
    rand "$screen_w"; local x=$r
    rand "$screen_h"
    xdotool mousemove "$x" "$r"
    rand 300; pause_ms "$r"
  done
}

# A drag that loses the mouse on the way: F2 opens the change-device dialog,
# or Alt+Tab gives the focus to another program, while the button is down.
input_drag_interrupted() {
  local dialog release_first
  ensure_focus
  client_point
  drag_offset
  pick_one F2 alt+Tab
  local how=$pick
  rand 2; release_first=$r
  note drag_interrupted "$how during a drag by $dx,$dy (released $( [ "$release_first" = 1 ] && echo before || echo after) coming back)"
  press_and_move "$dx" "$dy" 5 300
  if [ "$how" = F2 ]; then
    hold_key F2 100
    if dialog=$(change_device_dialog); then
      [ "$release_first" = 1 ] && xdotool mouseup 1
      pause_ms 500
      xdotool key --window "$dialog" Escape
      check "Escape cancels the change-device dialog" wait_gone "Change device" 10
    else
      fail "F2 during a drag opens no change-device dialog"
    fi
  else
    xdotool key --window "$v_id" alt+Tab
    [ "$release_first" = 1 ] && xdotool mouseup 1
    other_program_for 800
  fi
  [ "$release_first" = 0 ] && xdotool mouseup 1
  ensure_focus
  sleep 0.3
  observe_mode
}
