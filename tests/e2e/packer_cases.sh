# panopack.exe under Wine as a Windows user runs it: from a shell with
# Windows paths (a drive letter, a space and a non-ASCII letter), without
# --stub, and with an image dropped on it. Sourced by tests/e2e/run after the
# other case files; uses its variables and lib.sh.

packer=${packer:-"$wintree/bin/panopack.exe"}
pics="$work/Bilder Ü"
rm -rf "$pics"
mkdir -p "$pics"
cp "$samples/harbour.jpg" "$pics/Hafen Ü.jpg"

# Runs panopack.exe from a shell; sets packer_code, and leaves what it
# printed in $work/packer.out and $work/packer.err.
run_packer() {
  "$WINELOADER" "$packer" "$@" >"$work/packer.out" 2>"$work/packer.err" </dev/null
  packer_code=$?
}

said() {  # said FILE TEXT: does a line of FILE hold TEXT?
  grep -aqF -- "$2" "$1"
}

like() {  # like TEXT PATTERN: does TEXT match the shell PATTERN?
  [[ $1 == $2 ]]
}

# The names in the pictures folder, one line each.
folder_listing() {
  ls -A "$pics"
}

# Finds the packer's message box, prints its text and presses Return on it.
# A program with a console window of its own gets its box in front only when
# Windows activates it, as a click on its task would.
answer_message_box() {
  local box
  if ! box=$(find_window "panopack" 15); then
    return 1
  fi
  sleep 0.5
  "$WINELOADER" "$winctl" text "panopack" | tr -d '\r'
  "$WINELOADER" "$winctl" activate "panopack"
  xdotool windowfocus "$box"
  sleep 0.3
  xdotool key --window "$box" Return
}

test_case "panopack.exe --version and version"
expected_version=$("$panopack" --version)
for command in --version version; do
  run_packer "$command"
  check "'$command' ends with 0" [ "$packer_code" = 0 ]
  check "'$command' prints '$expected_version'" [ "$(tr -d '\r' <"$work/packer.out")" = "$expected_version" ]
done

test_case "panopack.exe without --stub makes a screensaver of a .scr in 'Bilder Ü'"
saver_scr="$pics/Hafen Ü.scr"
run_packer create --image "$(winpath "$pics/Hafen Ü.jpg")" -o "$(winpath "$saver_scr")" \
  "${harbour_options[@]}" --no-auto-motion
check "ends with 0 ($(cat "$work/packer.err"))" [ "$packer_code" = 0 ]
check "says the name makes a screensaver" \
  said "$work/packer.out" "screensaver: $(winpath "$saver_scr") ends in .scr (--no-screensaver makes a plain viewer)"
check "says what it wrote" said "$work/packer.out" "wrote $(winpath "$saver_scr"): 2605 x 635 image"
check "the viewer it carries is this tree's panoview.exe" cmp -s -n "$(stat -c %s "$stub")" "$stub" "$saver_scr"
check "info calls it a screensaver" said <("$panopack" info "$saver_scr") "kind: screensaver"
check "nothing else written" [ "$(folder_listing | tr '\n' '|')" = "Hafen Ü.jpg|Hafen Ü.scr|" ]

test_case "the packed screensaver runs full screen with /s and ends on a key"
start_program "$saver_scr" /s
if id=$(find_window "Panorama"); then
  sleep 2
  check "full screen ($(window_geometry "$id"))" [ "$(window_geometry "$id")" = "0 0 1024 768" ]
  screenshot "$work/packed-saver.png"
  check "the panorama shows: sky above ground" brighter "$work/packed-saver.png" 392 300 600
  check "green left of the centre, at the image's middle" dominant_green "$work/packed-saver.png" 392 300
  xdotool key --window "$id" a
  wait_exit "$app_pid"
  check "a key ends it with 0" exit_code_is 0
else
  fail "no screensaver window"
  stop_viewer
fi

test_case "an image dropped on panopack.exe becomes NAME.exe beside it"
cp "$samples/harbour.jpg" "$pics/Abend Ü.JPG"
start_program "$packer" "$(winpath "$pics/Abend Ü.JPG")"
if message=$(answer_message_box); then
  check "the box says what it wrote ($message)" like "$message" "wrote Z:*Abend *.exe: 2605 x 635 image, * bytes"
  wait_exit "$app_pid"
  check "ends with 0" exit_code_is 0
  check "a viewer beside the image" said <("$panopack" info "$pics/Abend Ü.exe") "kind: viewer"
else
  fail "no message box"
  stop_viewer
fi

test_case "a dropped file that is no JPEG: the refusal in the box, nothing written"
printf 'just some notes\n' >"$pics/Notizen Ü.jpg"
before=$(folder_listing)
start_program "$packer" "$(winpath "$pics/Notizen Ü.jpg")"
if message=$(answer_message_box); then
  check "the box gives the refusal ($message)" like "$message" "panopack: Z:*Notizen *.jpg: not a JPEG image (*)"
  wait_exit "$app_pid"
  check "ends with 1" exit_code_is 1
  check "nothing written" [ "$(folder_listing)" = "$before" ]
else
  fail "no message box"
  stop_viewer
fi

# A copy of the sample whose frame header claims 12 bits per sample.
twelve_bit="$pics/Zwölf Bit.jpg"
cp "$samples/harbour.jpg" "$twelve_bit"
sof=$(LC_ALL=C grep -obUaP '\xFF\xC0' "$twelve_bit" | head -n1 | cut -d: -f1)
printf '\x0c' | dd of="$twelve_bit" bs=1 seek=$((sof + 4)) conv=notrunc status=none
readonly_exe="$pics/Fest Ü.exe"
printf 'old' >"$readonly_exe"
chmod 444 "$readonly_exe"
image=$(winpath "$pics/Hafen Ü.jpg")
refusals=(
  "a non-JPEG|--image|$(winpath "$pics/Notizen Ü.jpg")|-o|$(winpath "$pics/out.exe")|panopack: $(winpath "$pics/Notizen Ü.jpg"): not a JPEG image ("
  "a 12-bit JPEG|--image|$(winpath "$twelve_bit")|-o|$(winpath "$pics/out.exe")|panopack: $(winpath "$twelve_bit"): not a JPEG image (Unsupported JPEG data precision 12)"
  "a missing image|--image|$(winpath "$pics/Fehlt Ü.jpg")|-o|$(winpath "$pics/out.exe")|panopack: $(winpath "$pics/Fehlt Ü.jpg"): No such file or directory"
  "an output in a missing folder|--image|$image|-o|$(winpath "$pics/Fehlt Ü/out.exe")|panopack: $(winpath "$pics/Fehlt Ü/out.exe"): No such file or directory"
  "a read-only output|--image|$image|-o|$(winpath "$readonly_exe")|panopack: $(winpath "$readonly_exe"): Permission denied"
)
for refusal in "${refusals[@]}"; do
  IFS='|' read -r what image_option image_path output_option output_path message <<<"$refusal"
  test_case "panopack.exe refuses $what and writes nothing"
  before=$(folder_listing)
  run_packer create "$image_option" "$image_path" "$output_option" "$output_path"
  check "ends with 1" [ "$packer_code" = 1 ]
  check "says '$message' ($(grep -av fixme "$work/packer.err"))" said "$work/packer.err" "$message"
  check "no file and no temporary file" [ "$(folder_listing)" = "$before" ]
done
check "the read-only output is untouched" [ "$(cat "$readonly_exe")" = old ]
chmod 644 "$readonly_exe"

test_case "panopack.exe copies a 700 MB image into the output without holding it, refuses one over 1 GiB"
# The harbour sample followed by zeros, which JPEG readers ignore; sparse.
big="$pics/Gross Ü.jpg"
cp "$samples/harbour.jpg" "$big"
truncate -s 700M "$big"
"$WINELOADER" "$packer" create --image "$(winpath "$big")" -o "$(winpath "$pics/gross.exe")" \
  "${harbour_options[@]}" >"$work/packer.out" 2>"$work/packer.err" </dev/null &
packer_pid=$!
packer_peak=0
while kill -0 "$packer_pid" 2>/dev/null; do
  hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$packer_pid/status" 2>/dev/null)
  packer_peak=${hwm:-$packer_peak}
  sleep 0.1
done
wait "$packer_pid"
packer_code=$?
echo "  peak working set of panopack.exe: $((packer_peak / 1024)) MiB"
check "ends with 0 ($(grep -av fixme "$work/packer.err"))" [ "$packer_code" = 0 ]
check "the image comes back whole" \
  bash -c '"$1" extract "$2" -o "$3" >/dev/null && cmp -s "$3" "$4"' - \
  "$panopack" "$pics/gross.exe" "$work/gross.jpg" "$big"
check "at most 200 MiB held ($((packer_peak / 1024)) MiB)" in_range "$packer_peak" 1 $((200 * 1024))
rm -f "$pics/gross.exe" "$work/gross.jpg"
truncate -s 1100M "$big"
before=$(folder_listing)
run_packer create --image "$(winpath "$big")" -o "$(winpath "$pics/gross.exe")"
check "over 1 GiB: ends with 1" [ "$packer_code" = 1 ]
check "over 1 GiB: says so" said "$work/packer.err" "$(winpath "$big"): larger than 1073741824 bytes"
check "over 1 GiB: nothing written" [ "$(folder_listing)" = "$before" ]
rm -f "$big"

test_case "panopack.exe with an extended-length path, and a share Wine cannot reach"
long_exe="$pics/Lang Ü.exe"
run_packer create --image "\\\\?\\$(winpath "$pics/Hafen Ü.jpg")" -o "\\\\?\\$(winpath "$long_exe")" --hfov 60
check "extended-length paths: ends with 0 ($(grep -av fixme "$work/packer.err"))" [ "$packer_code" = 0 ]
check "a viewer written there" said <("$panopack" info "$long_exe") "kind: viewer"
rm -f "$long_exe"
# Wine has no network shares: the path reaches the file API unmangled and
# comes back as a plain refusal.
run_packer create --image '\\localhost\C$\Bilder\Hafen.jpg' -o "$(winpath "$pics/out.exe")"
check "a UNC path: ends with 1" [ "$packer_code" = 1 ]
check "names the UNC path" said "$work/packer.err" 'panopack: \\localhost\C$\Bilder\Hafen.jpg: No such file or directory'

test_case "panopack.exe info refuses a payload whose total length passes 4 GiB"
# Offset plus length wraps in a 32-bit program's arithmetic.
wrapped="$pics/Hülle Ü.exe"
"$panopack" create --stub "$stub" --image "$samples/harbour.jpg" -o "$wrapped" >/dev/null
offset=$("$panopack" info "$wrapped" | sed -n 's/.*payload at offset \([0-9]*\),.*/\1/p')
printf '\xf0\xff\xff\xff' | dd of="$wrapped" bs=1 seek="$offset" conv=notrunc status=none
run_packer info "$(winpath "$wrapped")"
check "ends with 1 ($packer_code)" [ "$packer_code" = 1 ]
check "says the payload runs past the file ($(grep -av fixme "$work/packer.err"))" \
  said "$work/packer.err" "the payload's total length runs past the end of the file"
rm -f "$wrapped"

test_case "panopack.exe without arguments from a shell: usage on stderr"
run_packer
check "ends with 2" [ "$packer_code" = 2 ]
check "usage on stderr" said "$work/packer.err" "usage: panopack create [--stub VIEWER.exe]"

test_case "panopack.exe started with a console of its own and no arguments: usage in a box"
"$WINELOADER" start /wait "$(winpath "$packer")" >/dev/null 2>&1 &
app_pid=$!
if message=$(answer_message_box); then
  check "the box shows the usage ($message)" like "$message" "usage: panopack create \\[--stub VIEWER.exe\\]*"
  wait_exit "$app_pid"
  check "ends with 2 ($exit_code)" exit_code_is 2
else
  fail "no message box"
  stop_viewer
fi
