# The soak's large panorama: an oddly sized sphere (11469 x 5734, tiles of
# 2867 x 2867 on 4096 x 4096 surfaces) through everything that makes or
# rebuilds its textures: zooming out, dragging, the change-device dialog to
# another device and back, full screen and back. Its whole resident memory
# must then stay within what the memory rule counts for the image and the
# viewer's own: textures left behind by the rebuilds would be 64 MiB each,
# which the private-memory check does not see.

large_exe="$work/large.exe"
pattern_jpeg "$build/images/11469x5734.jpg" 11469 5734 --sphere
"$panopack" create --stub "$stub" --image "$build/images/11469x5734.jpg" -o "$large_exe" \
  --projection sphere --title "Large" --window-width 800 --window-height 400 >/dev/null ||
  { echo "soak: cannot pack the large sphere" >&2; exit 1; }
# The viewer's stage trace tells when a rebuild of its textures has ended:
# for this sphere it takes seconds, in which the window does not draw.
large_trace="$work/large.trace"

# Until the trace shows the textures built, or the first frame, and nothing
# more for a second; a long frame traced after them does not count.
textures_settled() {
  local lines
  for _ in $(seq 90); do
    lines=$(wc -l <"$large_trace")
    sleep 1
    [ "$(wc -l <"$large_trace")" = "$lines" ] && grep -v ' long-frame ' "$large_trace" |
      tail -n1 | grep -qE ' (textures-built|first-frame-presented)$' && return 0
  done
  return 1
}

resident_kib() {
  awk '/^VmRSS/ {print $2}' "/proc/$v_pid/status"
}

large_zoom_out() {
  ensure_focus
  client_geometry
  note large_zoom_out "five wheel clicks towards the user, then a drag"
  zoom_out_and_drag_at $((cx + cw / 3)) $((cy + ch / 3)) $((cw / 3)) $((ch / 6))
  sleep 1
}

# Every texture made and drawn, rebuilt for another device and back, and for
# full screen and back.
large_round() {
  large_zoom_out
  large_zoom_out
  local step
  for step in "input_f2_confirm Down" "input_f2_confirm Up" input_maximise input_leave_full; do
    $step
    check "the textures are rebuilt after $step" textures_settled
    alive || return 1
  done
}

run_large() {
  v_name=large v_title="Panorama - Large" window_w=800 window_h=400
  v_started=$SECONDS
  test_case "large: start"
  rm -f "$large_trace"
  PANO_TRACE="Z:${large_trace//\//\\}" start_viewer "$large_exe" || return
  check "the textures are built" textures_settled
  test_case "large: zoom out, drag, another device and back, full screen and back"
  large_round || return
  local now counted
  now=$(resident_kib)
  counted=$(counted_kib "$large_exe")
  echo "  resident memory after the rebuilds: $(mib "$now") MiB; the rule counts $(mib "$counted") MiB"
  check "resident memory $(mib "$now") MiB, within the $(mib "$counted") MiB counted and the viewer's own" \
    [ "$now" -le $((counted + viewer_own_kib)) ]
  if check_viewer; then
    close_viewer
  else
    kill_viewer
  fi
}
