# Helpers of the end-to-end tests: packed viewers run under Wine on the
# session's Xvfb display, driven with xdotool, looked at with ImageMagick.

passed=0
failed=0
failures=()
current=""

test_case() {
  current=$1
  echo "--- $current"
}

pass() {
  passed=$((passed + 1))
}

fail() {
  failed=$((failed + 1))
  failures+=("$current: $*")
  echo "FAIL $current: $*" >&2
}

# One command decides a check; conditions joined with && after it would run
# outside the check and assert nothing.
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then pass; else fail "$what"; fi
}

in_range() {  # in_range VALUE LOW HIGH: LOW <= VALUE <= HIGH
  [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]
}

# Starts a Windows program in the background; its pid goes to $app_pid.
start_program() {
  "$WINELOADER" "$@" >/dev/null 2>&1 &
  app_pid=$!
}

# Waits for a program started here to end and sets exit_code to its exit
# code, or to "timeout" after $2 seconds. (Not in a subshell: only this
# shell can wait for its children.)
wait_exit() {
  local pid=$1 seconds=${2:-10}
  exit_code=timeout
  for _ in $(seq $((seconds * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      exit_code=$?
      return
    fi
    sleep 0.1
  done
}

# The X window of a Wine window with this exact title, within $2 seconds,
# given the keyboard focus (Wine takes keys only for the focused window).
find_window() {
  local title=$1 seconds=${2:-15}
  for _ in $(seq $((seconds * 5))); do
    local id
    id=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n1)
    if [ -n "$id" ]; then
      xdotool windowfocus "$id"
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Waits until no visible window has this exact title; false after $2 s.
# (Wine takes a second or two to take a window down.)
wait_gone() {
  local title=$1 seconds=${2:-8}
  for _ in $(seq $((seconds * 5))); do
    [ -z "$(xdotool search --onlyvisible --name "^${title}\$")" ] && return 0
    sleep 0.2
  done
  return 1
}

# Geometry of an X window as "x y width height".
window_geometry() {
  xdotool getwindowgeometry --shell "$1" | awk -F= '
    /^X=/ {x=$2} /^Y=/ {y=$2} /^WIDTH=/ {w=$2} /^HEIGHT=/ {h=$2}
    END {print x, y, w, h}'
}

# A key pressed and released the way a hand does it: the viewer moves towards
# a key's target only in frames drawn while the key is down, so a press and
# release arriving together between two frames would move nothing.
tap() {  # tap WINDOW KEY
  xdotool keydown --window "$1" "$2"
  sleep 0.2
  xdotool keyup --window "$1" "$2"
}

# The Windows path of a file here: Wine's drive Z: is the Unix root.
winpath() {
  local path=${1//\//\\}
  echo "Z:$path"
}

# The display's monitors, the primary first, one "x y width height" a line
# (a display not split into monitors is one).
monitors() {
  xrandr --listmonitors |
    sed -n 's|^ *[0-9]*: [^ ]* \([0-9]*\)/[0-9]*x\([0-9]*\)/[0-9]*+\([0-9]*\)+\([0-9]*\).*|\3 \4 \1 \2|p'
}

screenshot() {
  import -window root "$1"
}

darkest() {  # darkest PICTURE X Y W H: the darkest grey level there, 0 to 255
  convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace gray -format '%[fx:int(255*minima)]' info:
}

# "r g b" of a pixel of a picture.
pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}

# Is the pixel within tolerance of r g b?
pixel_near() {  # picture x y r g b tolerance
  local got
  read -r -a got <<<"$(pixel "$1" "$2" "$3")"
  local dr=$((got[0] - $4)) dg=$((got[1] - $5)) db=$((got[2] - $6))
  [ ${dr#-} -le "$7" ] && [ ${dg#-} -le "$7" ] && [ ${db#-} -le "$7" ]
}

# The x of the first white pixel of a row between x0 and x1, or -1.
first_white_x() {  # picture y x0 x1
  convert "$1" -crop "$(($4 - $3))x1+$3+$2" +repage -depth 8 txt:- |
    awk -v x0="$3" -F'[,: ]+' '/^[0-9]/ && $0 ~ /#F[A-F0-9]F[A-F0-9]F[A-F0-9]/ {print $1 + x0; found=1; exit} END {if (!found) print -1}'
}

# Colour tests of a pixel of a picture.
dominant_green() { local c; read -r -a c <<<"$(pixel "$1" "$2" "$3")"; [ "${c[1]}" -gt "${c[0]}" ] && [ "${c[1]}" -gt "${c[2]}" ]; }
dominant_blue_green() { local c; read -r -a c <<<"$(pixel "$1" "$2" "$3")"; [ "${c[2]}" -gt "${c[0]}" ] && [ "${c[1]}" -gt "${c[0]}" ]; }
brighter() {  # picture x y1 y2: is y1 brighter than y2?
  local a b
  read -r -a a <<<"$(pixel "$1" "$2" "$3")"
  read -r -a b <<<"$(pixel "$1" "$2" "$4")"
  [ $((a[0] + a[1] + a[2])) -gt $((b[0] + b[1] + b[2])) ]
}

# Ends a viewer that a failed check left running, and all of Wine's
# processes with it.
stop_viewer() {
  kill "$app_pid" 2>/dev/null
  "$WINESERVER" -k >/dev/null 2>&1
  wait "$app_pid" 2>/dev/null
  sleep 1
}

# A prefix of its own for registry changes, linked to the session's, not
# copied (Wine's own files take a gigabyte); the registry files, which Wine
# writes, are copies of their own. Its wineserver must be stopped before it
# is removed.
private_prefix() {  # private_prefix DIR
  rm -rf "$1"
  cp -al "$WINEPREFIX" "$1"
  for hive in system.reg user.reg userdef.reg; do
    cp --remove-destination "$WINEPREFIX/$hive" "$1/$hive"
  done
}

no_window() {  # no_window TITLE: the viewer's window never came
  fail "no window titled $1"
  stop_viewer
}

exit_code_is() {
  [ "$exit_code" = "$1" ]
}

summary() {
  echo
  for f in "${failures[@]}"; do echo "FAILED: $f"; done
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# pattern_jpeg OUT WIDTH HEIGHT [--sphere]: the sample pattern at any size,
# baseline with 2 x 2 subsampled colour and restart markers, as cameras and
# stitchers write it; made once and kept.
pattern_jpeg() {
  local out=$1
  shift
  [ -s "$out" ] && return 0
  mkdir -p "$(dirname "$out")"
  "$build/host/panosamples" --ppm "$@" | cjpeg -quality 90 -sample 2x2 -restart 16 >"$out.part" &&
    mv "$out.part" "$out"
}

# claim_size JPEG WIDTH HEIGHT: its baseline frame header claims that size.
claim_size() {
  local sof
  sof=$(LC_ALL=C grep -obUaP '\xFF\xC0' "$1" | head -n1 | cut -d: -f1)
  printf "$(printf '\\x%02x' $(($3 >> 8)) $(($3 & 255)) $(($2 >> 8)) $(($2 & 255)))" |
    dd of="$1" bs=1 seek=$((sof + 5)) conv=notrunc status=none
}

# Five wheel clicks towards the user (zooming out) at X,Y, then a drag from
# there by DX,DY held for a second.
zoom_out_and_drag_at() {  # zoom_out_and_drag_at X Y DX DY
  for _ in 1 2 3 4 5; do xdotool mousemove "$1" "$2" click 5; sleep 0.2; done
  xdotool mousemove "$1" "$2" mousedown 1 mousemove $(($1 + $3)) $(($2 + $4))
  sleep 1
  xdotool mouseup 1
}

# What a viewer may hold beside what the memory rule counts for its image.
viewer_own_kib=$((320 * 1024))

# The memory the rule counts for a packed viewer's image, in KiB.
counted_kib() {
  "$panopack" info "$1" | sed -n 's/^memory when shown: \([0-9]*\) MiB.*/\1/p' |
    awk '{print $1 * 1024}'
}

# xdotool warns about the focus on every key when no window manager runs.
xdotool() {
  command xdotool "$@" 2>/dev/null
}
