# End-to-end: at 192 DPI (a private prefix whose LogPixels says so) a viewer's
# window is twice its stored size, its title twice as tall, and the panorama
# fills the window's pixels. Sourced by run.

pack small --title "Small" --no-auto-motion --window-width 300 --window-height 200

# The client area's size and the title's height in pixels of a viewer of
# the small sample in the prefix given, into dpi_w dpi_h dpi_title; leaves
# its screenshot in $work/dpi-PREFIXNAME.png.
measure_small() {  # measure_small PREFIX NAME
  dpi_w=0 dpi_h=0 dpi_title=0
  WINEPREFIX=$1 start_program "$work/small.exe"
  if ! id=$(find_window "Panorama - Small"); then
    fail "no window in the $2 prefix"
    WINEPREFIX=$1 stop_viewer
    return 1
  fi
  sleep 2
  local x y
  read -r x y dpi_w dpi_h <<<"$(window_geometry "$id")"
  screenshot "$work/dpi-$2.png"
  # The title's white in the top left sixth, above the harbour's posts.
  dpi_title=$(convert "$work/dpi-$2.png" -crop "$((dpi_w / 2))x$((dpi_h / 6))+$x+$y" +repage \
    -colorspace gray -threshold 93% -trim -format '%h' info:)
  local right bottom
  right=$(darkest "$work/dpi-$2.png" $((x + dpi_w - 3)) "$y" 2 "$dpi_h")
  bottom=$(darkest "$work/dpi-$2.png" "$x" $((y + dpi_h - 3)) "$dpi_w" 2)
  check "$2: the picture reaches the right and bottom edges (grey $right, $bottom)" \
    [ "$right" -gt 8 -a "$bottom" -gt 8 ]
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
}

test_case "at 192 DPI the window is twice its stored size and the title twice as tall"
dpi_prefix="$work/dpi-prefix"
private_prefix "$dpi_prefix"
WINEPREFIX=$dpi_prefix "$WINELOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
  /t REG_DWORD /d 192 /f >/dev/null 2>&1
WINEPREFIX=$dpi_prefix "$WINESERVER" -k
if measure_small "$WINEPREFIX" 96dpi; then
  read -r w96 h96 title96 <<<"$dpi_w $dpi_h $dpi_title"
  if measure_small "$dpi_prefix" 192dpi; then
    check "client area $dpi_w x $dpi_h, about twice $w96 x $h96" \
      in_range $((dpi_w * 100 / w96)) 190 210
    check "height about twice" in_range $((dpi_h * 100 / h96)) 180 220
    check "title $dpi_title pixels tall, about twice $title96" \
      in_range $((dpi_title * 100 / title96)) 170 230
  fi
fi
WINEPREFIX=$dpi_prefix "$WINESERVER" -k
rm -rf "$dpi_prefix"
