# End-to-end: slideshows of the three samples: each in turn and the first
# again, a crossfade frame between two, Page Down and Up in a viewer, and a
# broken further image left out; a second large panorama decoded smaller
# to fit beside the first, and one that fits only alone. The panoramas hold
# still, so each one looks the same whenever it shows; when each shows
# comes from the stage trace.
# Sourced by run.

mapfile -t sphere_options <"$samples/sphere.args"
mapfile -t wide_options <"$samples/wide.args"
slideshow() {  # slideshow FILE [whole-file options...]
  local out=$1
  shift
  "$panopack" create --stub "$stub" -o "$work/$out" "$@" \
    --image "$samples/harbour.jpg" "${harbour_options[@]}" --no-auto-motion \
    --image "$samples/sphere.jpg" "${sphere_options[@]}" --no-auto-motion \
    --image "$samples/wide.jpg" "${wide_options[@]}" --no-auto-motion >/dev/null ||
    fail "cannot pack $out"
}
slideshow trip.scr --slide-time 3 --fade-time 2
slideshow pages.exe --slide-time 60 --fade-time 1
slideshow broken.exe --slide-time 1 --fade-time 0

# Starts a program with its stage trace in $work/slides.trace.
start_traced() {
  rm -f "$work/slides.trace"
  PANO_TRACE=$(winpath "$work/slides.trace") start_program "$@"
}

# Waits up to SECONDS (15) for a stage (and its detail) in the trace.
wait_stage() {  # wait_stage "STAGE [DETAIL]" [SECONDS]
  for _ in $(seq $((${2:-15} * 10))); do
    grep -q " $1\$" "$work/slides.trace" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

shown_order() {
  sed -n 's/.* slide-shown \([0-9]*\)$/\1/p' "$work/slides.trace" | tr '\n' ' '
}

has_window() {  # has_window TITLE SECONDS
  find_window "$@" >/dev/null
}

rmse() {  # rmse A B: their root mean square difference, 0 to 1
  compare -metric RMSE "$1" "$2" null: 2>&1 | sed -n 's/.*(\([0-9.e-]*\)).*/\1/p'
}

# Is a below b (both decimals)?
below() {
  awk -v a="$1" -v b="$2" 'BEGIN {exit !(a < b)}'
}

test_case "a slideshow screensaver shows each panorama in turn, the first again, and crossfades"
start_traced "$work/trip.scr" /s
if id=$(find_window "Panorama") && wait_stage first-frame-presented; then
  sleep 1.5
  screenshot "$work/slide0.png"
  wait_stage "slide-shown 1" && sleep 1 && screenshot "$work/slide1.png"
  sleep 3  # the fade to the third runs from 3 s to 5 s after the second came
  screenshot "$work/fade.png"
  wait_stage "slide-shown 2" && sleep 1 && screenshot "$work/slide2.png"
  wait_stage "slide-shown 0" && sleep 1 && screenshot "$work/again.png"
  xdotool key --window "$id" a
  wait_exit "$app_pid"
  check "a key ends it with 0" exit_code_is 0
  check "shown in order: $(shown_order)" [ "$(shown_order)" = "1 2 0 " ]
  check "the wide circle fills the harbour's texture surfaces again" \
    grep -q " texture-refill " "$work/slides.trace"
  check "the first again looks as it did" below "$(rmse "$work/slide0.png" "$work/again.png")" 0.01
  for pair in "0 1" "1 2" "0 2"; do
    read -r a b <<<"$pair"
    check "panoramas $a and $b differ" below 0.03 "$(rmse "$work/slide$a.png" "$work/slide$b.png")"
  done
  # A blend of two pictures lies on the straight line between them.
  to_second=$(rmse "$work/fade.png" "$work/slide1.png")
  to_third=$(rmse "$work/fade.png" "$work/slide2.png")
  apart=$(rmse "$work/slide1.png" "$work/slide2.png")
  check "the crossfade frame shows both ($to_second + $to_third against $apart)" \
    awk -v a="$to_second" -v b="$to_third" -v d="$apart" \
    'BEGIN {exit !(a > d / 10 && b > d / 10 && a + b < d * 1.2)}'
else
  fail "no slideshow screensaver"
  stop_viewer
fi

test_case "Page Down and Page Up go to the next and the previous panorama in a viewer"
start_traced "$work/pages.exe"
if id=$(find_window "Panorama") && wait_stage "slide-ready 1"; then
  tap "$id" Page_Down
  check "Page Down shows the second with its title" has_window "Panorama - Sample sphere" 5
  tap "$id" Page_Up
  check "Page Up shows the first again" wait_stage "slide-shown 0"
  check "with its title" has_window "Panorama" 5
  check "shown in order: $(shown_order)" [ "$(shown_order)" = "1 0 " ]
  escape_ends_with_0
else
  fail "no slideshow viewer"
  stop_viewer
fi

test_case "a broken further panorama is left out; the others show"
# The second panorama's JPEG loses its first markers.
offset=$("$panopack" info "$work/broken.exe" |
  sed -n 's/^record type 3 (panorama): [0-9]* bytes at offset \([0-9]*\)$/\1/p' | head -n1)
dd if=/dev/zero of="$work/broken.exe" bs=1 seek=$((offset + 688)) count=64 conv=notrunc \
  status=none
check "info names it" grep -q "^panorama 2: not a JPEG" <("$panopack" info "$work/broken.exe")
"$panopack" extract "$work/broken.exe" -o "$work/third.jpg" --index 3 >/dev/null
check "extract gives the third back" cmp -s "$work/third.jpg" "$samples/wide.jpg"
start_traced "$work/broken.exe"
if id=$(find_window "Panorama") && wait_stage "slide-shown 0"; then
  check "shown: $(shown_order)" [ "$(shown_order)" = "2 0 " ]
  check "its failure traced" grep -q " slide-failed 1 " "$work/slides.trace"
  escape_ends_with_0
else
  fail "the others did not show"
  stop_viewer
fi

test_case "a panorama that would not fit beside the one shown is decoded smaller"
pattern_jpeg "$images/11469x5734.jpg" 11469 5734 --sphere
"$panopack" create --stub "$stub" -o "$work/large_pair.exe" --slide-time 1 --projection sphere \
  --image "$images/11469x5734.jpg" --image "$images/11469x5734.jpg" >/dev/null ||
  fail "cannot pack large_pair"
start_traced "$work/large_pair.exe"
if id=$(find_window "Panorama") && wait_stage "slide-shown 1"; then
  sizes=$(sed -n 's/.* slide-decode-end 1 \([0-9]*x[0-9]*\)$/\1/p' "$work/slides.trace" | head -n1)
  check "each 1450 MiB of the 2048 allowed: the second at $sizes" \
    in_range "${sizes%x*}" 1 8000
  escape_ends_with_0
else
  fail "the second large panorama did not show"
  stop_viewer
fi

test_case "a panorama that fits only alone shows once the one before has made room"
# Its coefficients, 644 MiB at full size whatever the scale, are more than
# the 598 MiB the sphere shown first leaves; alone it fits whole.
alone="$images/15000x7500-progressive.jpg"
[ -s "$alone" ] || { "$build/host/panosamples" --ppm 15000 7500 --sphere |
  cjpeg -quality 90 -sample 1x1 -progressive >"$alone.part" && mv "$alone.part" "$alone"; }
# The third claims as much, and its first scan names a Huffman table it
# never defines: alone it fails at once, and the first comes back.
bad="$work/bad-alone.jpg"
"$build/host/panosamples" --ppm 64 64 | cjpeg -sample 1x1 -progressive >"$bad"
at=$(LC_ALL=C grep -obUaP '\xFF\xC2' "$bad" | head -n1 | cut -d: -f1)
printf '\x1d\x4c\x3a\x98' | dd of="$bad" bs=1 seek=$((at + 5)) conv=notrunc status=none
at=$(LC_ALL=C grep -obUaP '\xFF\xDA' "$bad" | head -n1 | cut -d: -f1)
for c in 6 8 10; do printf '\x33' | dd of="$bad" bs=1 seek=$((at+c)) conv=notrunc status=none; done
"$panopack" create --stub "$stub" -o "$work/room.exe" --slide-time 2 --fade-time 1 \
  --projection sphere --no-auto-motion --image "$images/11469x5734.jpg" --image "$alone" \
  --image "$bad" >/dev/null || fail "cannot pack room"
start_traced "$work/room.exe"
if id=$(find_window "Panorama") && wait_stage "slide-waits-for-room 1"; then
  sleep 0.7  # its time is 2 s
  screenshot "$work/before-room.png"
  check "a still is kept" wait_stage "slide-still-taken 0 kept"
  sleep 1
  screenshot "$work/still.png"
  check "the picture stays while the other decodes" \
    below "$(rmse "$work/before-room.png" "$work/still.png")" 0.01
  check "then the other shows at full size" wait_stage "slide-decode-end 1 15000x7500" 40
  check "and fades in" wait_stage "slide-shown 1" 40
  check "the third fails alone" wait_stage "slide-failed 2 Huffman table 0x03 was not defined"
  check "and the first shows again" wait_stage "slide-shown 0" 40
  escape_ends_with_0
else
  fail "the one that fits only alone did not wait for room"
  stop_viewer
fi
