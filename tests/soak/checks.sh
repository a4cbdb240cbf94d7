# What the soak checks of a running viewer every 10 s and when it ends:
# it lives, shows no error dialog, its picture changes when it should and
# shows the panorama up to every edge, its private memory stays near its
# level after warm-up, and it releases its DirectDraw objects at exit.

# Private memory allowed above the level after warm-up, in KiB, and the
# warm-up: the first check this long after a start sets the level.
memory_slack_kib=$((8 * 1024))
warm_up_seconds=60
# A grey level at or below this at an edge is the black clear colour: the
# samples' darkest ground is about 20.
black_level=8

# Private memory of a process in KiB: Private_Clean + Private_Dirty of its
# mappings in /proc/PID/smaps (the wine process is the Windows program
# itself), less anonymous mappings of 64 MiB or more: wined3d's buffer
# allocator maps and unmaps chunks of 64 MiB and a page or two by itself
# while the picture streams, and the kernel merges them with neighbouring
# anonymous mappings.
private_kib() {
  awk '/^[0-9a-f]+-[0-9a-f]+ / {anonymous = (NF < 6)}
       /^Size:/ {chunk = anonymous && $2 >= 65536}
       /^Private_(Clean|Dirty):/ {if (!chunk) sum += $2}
       END {print sum + 0}' "/proc/$1/smaps" 2>/dev/null
}

mib() {
  awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'
}

shot() {  # shot NAME: the screen into $work/NAME.png
  timeout 30 import -window root "$work/$1.png"
}

# Two screenshots differ; when they do not, both are kept for the report.
pictures_differ() {  # pictures_differ A B
  [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1)" != 0 ] && return 0
  kept=$((kept + 1))
  cp "$work/$1.png" "$work/unchanged-$kept-$1.png"
  cp "$work/$2.png" "$work/unchanged-$kept-$2.png"
  echo "  kept $work/unchanged-$kept-$1.png and -$2.png"
  return 1
}

# The edges of the client area, two pixels wide, where the picture is black;
# the title at the top left (drawn with a black shadow) is left out.
black_edges() {  # black_edges NAME
  client_geometry
  local edge x y w h level
  while read -r edge x y w h; do
    # Only what lies on the display can be seen.
    local right=$((x + w)) bottom=$((y + h))
    [ "$x" -lt 0 ] && x=0
    [ "$y" -lt 0 ] && y=0
    [ "$right" -gt "$display_w" ] && right=$display_w
    [ "$bottom" -gt "$display_h" ] && bottom=$display_h
    w=$((right - x)) h=$((bottom - y))
    [ "$w" -gt 0 ] && [ "$h" -gt 0 ] || continue
    level=$(darkest "$work/$1.png" "$x" "$y" "$w" "$h")
    [ "$level" -le "$black_level" ] && printf '%s (grey %s) ' "$edge" "$level"
  done <<EOF
top $((cx + 220)) $((cy + 1)) $((cw - 222)) 2
bottom $((cx + 1)) $((cy + ch - 3)) $((cw - 2)) 2
left $((cx + 1)) $((cy + 30)) 2 $((ch - 31))
right $((cx + cw - 3)) $((cy + 1)) 2 $((ch - 2))
EOF
}

# No dialog box is open (the change-device dialog is closed by the input that
# opens it); a message box fails the run with its text and is answered.
no_dialogs() {
  local dialogs title
  dialogs=$(winctl windows '#32770')
  if [ -z "$dialogs" ]; then
    pass
    return 0
  fi
  fail "a dialog is open: $(tr '\t\n' ': ' <<<"$dialogs")"
  while IFS=$'\t' read -r title _; do
    xdotool key --window "$(xdotool search --name "^${title}\$" | head -n1)" Return
  done <<<"$dialogs"
  return 1
}

alive() {  # the viewer still runs; false (and failed) once it has ended
  if kill -0 "$v_pid" 2>/dev/null; then
    return 0
  fi
  wait "$v_pid"
  fail "the viewer ended with exit code $? after: ${recent[*]: -1}"
  return 1
}

tap_keys() {  # tap_keys KEY COUNT
  local i
  for i in $(seq "$2"); do hold_key "$1" 150; sleep 0.1; done
}

# Some key changes the picture: zoom in, else out, else pan or tilt either
# way. The limits may hold any one of them: a narrow panorama filling a
# tall window at its narrowest field of view can zoom neither way, but it
# can pan. Only a view that the window's shape pins on every axis (the
# panorama's shape to the pixel) holds them all.
key_changes_picture() {
  local key
  shot before
  for key in KP_Add KP_Subtract Right Left Up Down; do
    tap_keys "$key" 3
    sleep 0.5
    shot after
    [ "$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1)" != 0 ] && return 0
  done
  pictures_differ before after
}

# The picture moves by itself over a second; leaves $work/moved.png.
picture_moves() {
  shot moving
  sleep 1
  shot moved
  pictures_differ moving moved
}

# The periodic check of a viewer, in whatever state the inputs left it;
# then it returns to a window of its first size for the memory sample.
check_viewer() {
  test_case "$v_name: check at $((SECONDS - v_started)) s"
  alive || return 1
  no_dialogs || return 1
  local state
  state=$(thread_state)
  check "no menu loop, move or size loop or minimised window left (${state:-none})" [ -z "$state" ]
  observe_mode
  ensure_focus
  client_geometry
  local where="$v_mode ${cw}x${ch}"
  check "a key changes the picture ($where)" key_changes_picture
  # The keys stopped automatic motion; Space starts it. A step in first:
  # zoomed out to the limit in a window wider than the panorama's shape, the
  # whole width shows and the automatic pan has nowhere to go.
  tap_keys KP_Add 1
  hold_key space 100
  sleep 0.8
  check "automatic motion moves the picture ($where)" picture_moves
  local edges
  edges=$(black_edges moved)
  check "no black at the edges of the view ($where: ${edges:-none})" [ -z "$edges" ]
  back_to_first_window
  check_memory
}

back_to_first_window() {
  observe_mode
  if [ "$v_mode" = full ]; then
    hold_key Escape 100
    check "Escape leaves full screen" wait_mode window 10
  fi
  winctl resize "$v_title" "$window_w" "$window_h"
  sleep 1.5
}

# Memory of the running viewer: the first check past the warm-up sets the
# level, later checks compare with it (in the same window size).
check_memory() {
  local now
  now=$(private_kib "$v_pid")
  mem_end[$v_name]=$now
  [ -n "${mem_first[$v_name]:-}" ] || mem_first[$v_name]=$now
  if [ -z "$v_mem_level" ]; then
    if [ $((SECONDS - v_launched)) -ge "$warm_up_seconds" ]; then
      v_mem_level=$now
      [ -n "${mem_start[$v_name]:-}" ] || mem_start[$v_name]=$now
      echo "  private memory after warm-up: $(mib "$now") MiB"
    fi
    return
  fi
  # Wine's Direct3D takes its buffers in 64 MiB chunks, and a chunk it has
  # split no longer looks like one: one such step up, once, is Wine's; a
  # second rise is growth.
  if [ "$now" -gt $((v_mem_level + memory_slack_kib)) ] && [ -z "$v_mem_stepped" ] &&
    [ "$now" -le $((v_mem_level + 65536 + memory_slack_kib)) ]; then
    echo "  private memory stepped from $(mib "$v_mem_level") to $(mib "$now") MiB (one Direct3D buffer chunk); the level is now that"
    v_mem_stepped=1
    v_mem_level=$now
  fi
  check "private memory $(mib "$now") MiB, within $(mib "$memory_slack_kib") MiB of $(mib "$v_mem_level") MiB after warm-up" \
    [ "$now" -le $((v_mem_level + memory_slack_kib)) ]
}

# Every DirectDraw object and Direct3D device the process made ended with a
# reference count of 0: the last AddRef/Release trace of each object (by
# interface and address; an address may be reused once the object is gone).
unreleased() {  # unreleased TRACE: "interface address count" of each object left
  awk '{n = split($1, f, ":"); kind = f[n]; sub(/_(AddRef|Release)$/, "", kind)
        count = $NF; sub(/\.$/, "", count); last[kind " " $2] = count}
       END {for (k in last) if (last[k] != 0) print k, last[k]}' "$1"
}

traced_objects() {  # traced_objects TRACE: how many objects the trace shows
  awk '{n = split($1, f, ":"); kind = f[n]; sub(/_(AddRef|Release)$/, "", kind); seen[kind " " $2] = 1}
       END {print length(seen)}' "$1"
}

released_to_zero() {  # released_to_zero TRACE
  [ "$(traced_objects "$1")" -gt 0 ] && [ -z "$(unreleased "$1")" ]
}

check_references() {  # after the viewer has ended
  local i
  for i in $(seq 25); do
    kill -0 "$v_tracer" 2>/dev/null || break
    sleep 0.2
  done
  local left
  left=$(unreleased "$v_trace" | tr '\n' ' ')
  check "every DirectDraw object and device released to 0 at exit ($(traced_objects "$v_trace") traced${left:+; left: $left})" \
    released_to_zero "$v_trace"
}
