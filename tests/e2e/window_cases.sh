# End-to-end: the viewer's window and first frame, its title, and the first
# keys (Right turns, Escape ends). Sourced by run.

test_case "viewer window, first frame and title"
start_program "$work/still.exe"
if id=$(find_window "Panorama - Harbour sample"); then
  pass
  sleep 2
  check "client area 792 x 373 at (116, 207)" [ "$(window_geometry "$id")" = "$client_x $client_y $client_w $client_h" ]
  screenshot "$work/still.png"
  # The centre of the view is the image's middle: green to its left, cyan to
  # its right, and the white post between them; sky above ground.
  check "green sector left of centre" dominant_green "$work/still.png" $((centre_x - 120)) $((horizon_y - 60))
  check "cyan sector right of centre" dominant_blue_green "$work/still.png" $((centre_x + 120)) $((horizon_y - 60))
  post=$(first_white_x "$work/still.png" $((horizon_y - 25)) $((centre_x - 40)) $((centre_x + 40)))
  check "post at the centre (found at $post)" in_range "$post" $((centre_x - 6)) $((centre_x + 4))
  check "sky above ground" brighter "$work/still.png" $((centre_x - 120)) $((horizon_y - 60)) $((horizon_y + 120))
  check "title drawn at the top left" white_in "$work/still.png" $((client_x + 4)) $((client_y + 4)) 90 12

  test_case "Right key turns the view right"
  for _ in $(seq 8); do tap "$id" Right; done
  sleep 1
  screenshot "$work/right.png"
  moved=$(first_white_x "$work/right.png" $((horizon_y - 25)) $((client_x + 10)) $((centre_x + 40)))
  check "post moved left (to $moved)" in_range "$moved" 0 $((centre_x - 81))

  test_case "Escape in a window ends with 0"
  escape_ends_with_0
else
  no_window "Panorama - Harbour sample"
fi
