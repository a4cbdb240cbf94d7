# End-to-end: the screensaver's use of several monitors and a window on a
# second monitor, in a session of two monitors of its own (monitors_run).
# Sourced by run.

for use in black span primary; do
  pack "monitors_$use" --screensaver --no-auto-motion --monitors "$use" --title "Monitors"
done
pack monitors_viewer --no-auto-motion --title "Monitors"

test_case "two monitors"
monitor_prefix="$work/monitor-prefix"
private_prefix "$monitor_prefix"
PANO_SCREEN=1824x768x24 PANO_MONITORS="1024x768+0+0 800x600+1024+0" \
  "$here/../../tools/wine-session" --arch "$WINEARCH" "$monitor_prefix" \
  "$here/monitors_run" "$work" "$winctl" >"$work/monitors.log" 2>&1
status=$?
grep -E '^(---|FAIL)' "$work/monitors.log"
check "every check on two monitors passes ($(tail -n1 "$work/monitors.log"))" [ "$status" -eq 0 ]
rm -rf "$monitor_prefix"
