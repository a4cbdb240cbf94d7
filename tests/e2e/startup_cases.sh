# End-to-end: how a viewer starts: it ignores the screensaver's /c; a stub
# without payload ends at once; an image whose decode fails, before or after
# the window opens, ends with the fatal message. Sourced by run.

test_case "a viewer ignores /c"
start_program "$work/still.exe" /c
if id=$(find_window "Panorama - Harbour sample"); then
  pass
  xdotool key --window "$id" Escape
  wait_exit "$app_pid"
else
  fail "no viewer window"
  stop_viewer
fi

test_case "start-up failures"
start_program "$stub"
wait_exit "$app_pid" 5
check "a stub without payload ends at once with 0" exit_code_is 0
broken="$work/broken.exe"
cp "$work/still.exe" "$broken"
image_at=$("$panopack" info "$broken" | sed -n 's/^record type 0 (image): [0-9]* bytes at offset \([0-9]*\)$/\1/p')
printf 'XXXX' | dd of="$broken" bs=1 seek="$image_at" conv=notrunc status=none
start_program "$broken"
if id=$(find_window "Panorama - Harbour sample" 10); then
  sleep 0.5
  message=$("$WINELOADER" "$winctl" text "Panorama - Harbour sample" | tr -d '\r')
  check "the generic fatal message" [ "$message" = "$(printf 'Generic application error.\n\nEnable debug output for detailed information.\n\nThis sample will now exit.')" ]
  check "no viewer window" [ -z "$(xdotool search --classname 'D3D Window' 2>/dev/null)" ]
  xdotool key --window "$id" Return
  wait_exit "$app_pid"
  check "the fatal message ends with 0" exit_code_is 0
else
  fail "no fatal message titled Panorama - Harbour sample"
  stop_viewer
fi

test_case "a fault the decode meets only at the image's end"
# A second frame header before the end: the window is open by then.
sof=$(LC_ALL=C grep -obUaP '\xFF\xC0' "$samples/harbour.jpg" | head -n1 | cut -d: -f1)
{ head -c -2 "$samples/harbour.jpg"; tail -c +$((sof + 1)) "$samples/harbour.jpg" | head -c 19; printf '\xFF\xD9'; } >"$work/late.jpg"
"$panopack" create --stub "$stub" --image "$work/late.jpg" -o "$work/late.exe" --title "Late fault" >/dev/null
start_program "$work/late.exe"
for _ in $(seq 75); do
  dialogs=$("$WINELOADER" "$winctl" windows '#32770' | tr -d '\r')
  [ -n "$dialogs" ] && break
  sleep 0.2
done
check "the generic fatal message, no fallback to software" \
  [ "$dialogs" = "Panorama - Late fault	Generic application error.  Enable debug output for detailed information.  This sample will now exit." ]
for id in $(xdotool search --name '^Panorama - Late fault$'); do xdotool key --window "$id" Return; done
wait_exit "$app_pid"
check "it ends with 0" exit_code_is 0
