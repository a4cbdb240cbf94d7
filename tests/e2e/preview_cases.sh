# End-to-end: the screensaver's live preview in a window of another program
# (preview_host plays the Screen Saver Settings dialog), /s started while it
# runs, and a payload without the options record, whose /p shows nothing.
# Sourced by run after the screensaver cases.
#
# Wine 8 does not show on the screen what a process draws into a child of
# another process's window (a DirectDraw blit or a GDI one alike): the
# preview's frames and motion are read from its stage trace instead.

preview_host="$wintree/bin/preview_host.exe"
# The sphere wraps: its automatic pan goes round and round, 20 degrees a
# second from 180.
mapfile -t sphere_options <"$samples/sphere.args"
"$panopack" create --stub "$stub" --image "$samples/sphere.jpg" -o "$work/saver_moving.exe" \
  "${sphere_options[@]}" --screensaver --title "Preview" --pan 180 --auto-pan-speed 20 \
  >/dev/null || fail "cannot pack saver_moving"
pack saver_described --screensaver --no-options

# Runs the host with a screensaver for SECONDS in the background, the
# screensaver tracing into $work/preview.trace; sets host_pid.
start_preview_host() {  # start_preview_host EXE SECONDS
  rm -f "$work/preview.trace"
  PANO_TRACE=$(winpath "$work/preview.trace") \
    "$WINELOADER" "$preview_host" "$(winpath "$1")" "$2" >"$work/preview.out" 2>&1 &
  host_pid=$!
}

host_said() {  # host_said TEXT: a line the host printed
  grep -q "^$1" "$work/preview.out"
}

traced() {  # traced STAGE: the preview's trace has that stage
  grep -q " $1" "$work/preview.trace" 2>/dev/null
}
untraced() { ! traced "$@"; }

# The pan the preview ended at, in whole degrees.
end_pan() {
  sed -n 's/.* view-at-end pan \(-\{0,1\}[0-9]*\) mdeg$/\1/p' "$work/preview.trace" |
    awk '{printf "%d", $1 / 1000}'
}

test_case "a screensaver's /p draws a moving preview in the host's area and ends with it"
start_preview_host "$work/saver_moving.exe" 12
sleep 4
test_case "/s starts full screen while the preview runs"
start_program "$work/saver_moving.exe" /s
if id=$(find_window "Panorama - Preview"); then
  sleep 2
  check "full screen" [ "$(window_geometry "$id")" = "0 0 1024 768" ]
  xdotool key --window "$id" a
  wait_exit "$app_pid"
  check "a key ends it with 0" exit_code_is 0
else
  fail "no full-screen window beside the preview"
  stop_viewer
fi
wait_exit "$host_pid" 30
check "the preview ran until the host closed ($(tr '\n' ' ' <"$work/preview.out"))" \
  host_said "running when the host closes"
check "it then ended with 0" host_said "exit 0"
check "it drew frames" traced first-frame-presented
pan=$(end_pan)
# About 11 s of motion: 220 degrees on, far from a whole turn.
check "it moved by itself: pan $pan degrees at the end, 180 at the start" \
  [ -n "$pan" -a "$pan" != 180 ]

test_case "without the options record /p ends at once and draws nothing"
start_preview_host "$work/saver_described.exe" 3
wait_exit "$host_pid" 20
check "ended before the host closed, with 0 ($(tr '\n' ' ' <"$work/preview.out"))" \
  host_said "ended when the host closes"
check "exit 0" host_said "exit 0"
check "no frame" untraced first-frame-presented
