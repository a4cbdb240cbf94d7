# End-to-end: what viewers draw, pixel by pixel: views against expect_pixels'
# calculation, the title's colour and outline, and no title. Sourced by run.

pack untitled --no-auto-motion
pack nearlimit --title "Near the limit" --no-auto-motion --pan 53 --tilt 2 --fov 12
pack colours --title "Colours" --no-auto-motion --text-color 0xFF8000 --shadow-color 0x0000FF
mapfile -t sphere_options <"$samples/sphere.args"
"$panopack" create --stub "$stub" --image "$samples/sphere.jpg" -o "$work/sphere.exe" \
  "${sphere_options[@]}" --title "Sphere" --no-auto-motion --pan 100 --tilt -50 --fov 60 >/dev/null ||
  fail "cannot pack the sphere"
mapfile -t wide_options <"$samples/wide.args"
"$panopack" create --stub "$stub" --image "$samples/wide.jpg" -o "$work/wide.exe" \
  "${wide_options[@]}" --title "Circle" --no-auto-motion --pan 178 --tilt 3 --fov 40 >/dev/null ||
  fail "cannot pack the wide circle"

# Compares the screen with expect_pixels' independent calculation of the view.
check_rendering() {  # exe title pan tilt fov
  local exe=$1 title=$2
  start_program "$exe"
  if ! id=$(find_window "$title"); then
    fail "no window titled $title"
    stop_viewer
    return
  fi
  sleep 2
  screenshot "$work/view.png"
  local points=0 wrong=0
  while read -r x y r g b; do
    points=$((points + 1))
    if ! pixel_near "$work/view.png" $((client_x + x)) $((client_y + y)) "$r" "$g" "$b" 10; then
      wrong=$((wrong + 1))
      echo "  at $x,$y expected $r $g $b, found $(pixel "$work/view.png" $((client_x + x)) $((client_y + y)))"
    fi
  done < <("$build/host/expect_pixels" "$exe" "$client_w" "$client_h" "$3" "$4" "$5")
  check "at least 20 points compared ($points)" [ "$points" -ge 20 ]
  check "every point as calculated ($wrong wrong)" [ "$wrong" -eq 0 ]
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
}

test_case "rendering: the sample's initial view"
check_rendering "$work/still.exe" "Panorama - Harbour sample" 30.105892198993235 0 21.896793842409977
test_case "rendering: a view near the right pan limit"
check_rendering "$work/nearlimit.exe" "Panorama - Near the limit" 53 2 12
test_case "rendering: the sphere looking up"
check_rendering "$work/sphere.exe" "Panorama - Sphere" 100 -50 60

test_case "rendering: four tile columns, across the image's middle"
check_rendering "$work/wide.exe" "Panorama - Circle" 178 3 40

# Looking at the title from each side in turn, along every line that meets
# it: the number of such lines, and for the side where it happens least
# often, the percentage of lines whose first coloured pixel is the outline's
# (blue) rather than the text's (orange). An outline all round is met first
# from every side; a drop shadow would leave the text bare on two sides.
outline_first() {  # picture x y w h
  convert "$1" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- |
    awk -F'[,: ]+' '
      /^[0-9]/ {
        split($0, parts, "[()]"); split(parts[2], c, ",")
        if (c[1] > 200 && c[3] < 100) kind[$1, $2] = "text"
        else if (c[3] > c[1] + 40 && c[3] > c[2] + 40) kind[$1, $2] = "outline"
        if ($1 > w) w = $1
        if ($2 > h) h = $2
      }
      function meet(side, x, y) {
        if (!((x, y) in kind)) return 0
        lines[side]++
        if (kind[x, y] == "outline") outer[side]++
        return 1
      }
      END {
        for (y = 0; y <= h; y++) {
          for (x = 0; x <= w; x++) if (meet("left", x, y)) break
          for (x = w; x >= 0; x--) if (meet("right", x, y)) break
        }
        for (x = 0; x <= w; x++) {
          for (y = 0; y <= h; y++) if (meet("top", x, y)) break
          for (y = h; y >= 0; y--) if (meet("bottom", x, y)) break
        }
        total = 0; least = 100
        for (side in lines) {
          total += lines[side]
          share = int(100 * outer[side] / lines[side])
          if (share < least) least = share
        }
        print total, least
      }'
}

test_case "title in its colour with its outline"
start_program "$work/colours.exe"
if id=$(find_window "Panorama - Colours"); then
  sleep 2
  screenshot "$work/colours.png"
  # Orange text pixels, each with blue outline pixels around the glyphs.
  orange=$(convert "$work/colours.png" -crop "80x14+$((client_x + 4))+$((client_y + 3))" +repage -depth 8 txt:- | grep -ci '#FF8000')
  blue=$(convert "$work/colours.png" -crop "80x14+$((client_x + 3))+$((client_y + 2))" +repage -depth 8 txt:- | grep -ci '#0000FF')
  check "text pixels in 0xFF8000 ($orange)" [ "$orange" -gt 20 ]
  check "outline pixels in 0x0000FF ($blue)" [ "$blue" -gt 20 ]
  # The outline is the text moved one pixel each way, so it surrounds it.
  read -r lines outer <<<"$(outline_first "$work/colours.png" $((client_x + 2)) $((client_y + 1)) 100 18)"
  check "the title met along $lines lines" [ "$lines" -gt 60 ]
  check "the outline met first from every side (on at least $outer% of the lines)" [ "$outer" -ge 90 ]
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
else
  fail "no window titled Panorama - Colours"
  stop_viewer
fi

test_case "no title: window title Panorama, nothing drawn"
start_program "$work/untitled.exe"
if id=$(find_window "Panorama"); then
  pass
  sleep 2
  screenshot "$work/untitled.png"
  check "no title text" no_white_in "$work/untitled.png" $((client_x + 4)) $((client_y + 4)) 90 12
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
  check "exit code 0" exit_code_is 0
else
  fail "no window titled Panorama"
  stop_viewer
fi
