#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The staged panel as a user starts it: under X with a system tray, against
# the simulated device, in a copy of the simulated program folder.
#   orlenta_e2e.sh <stage-sim folder> <report-logging shim>
# Needs the X server of scripts/services.sh (ORLENTA_TEST_DISPLAY).
set -uo pipefail
# shellcheck source=tests/panel/app/e2e_support.sh
source "$(dirname "$0")/e2e_support.sh"

stage=$1
shim=$2
use_test_display

work=$(mktemp -d /tmp/orlenta-e2e-XXXXXX)
first=
cleanup() {
    [ -n "$first" ] && kill "$first" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

folder=$work/Orlenta
copy_stage_with_shim "$stage" "$shim" "$folder" || fail "cannot copy $stage"
mkdir -m 700 "$work/run"
log=$work/reports.log
export XDG_RUNTIME_DIR=$work/run ORLENTA_SHIM_TARGET=$folder/simulated.so ORLENTA_SHIM_LOG=$log

map_state() { xwininfo -id "$1" | sed -n 's/.*Map State: //p'; }
has_window() { [ -n "$(window_id)" ]; }
mapped_as() { [ "$(map_state "$1")" = "$2" ]; }

"$folder/Orlenta" >"$work/first.log" 2>&1 &
first=$!
wait_for 10 has_window || fail "no window titled \"Orlenta HD\" appeared"
win=$(window_id)
echo "started: window $win"

wait_for 10 reports_at_least 2 || fail "the device saw no read request"
[ "$(sed -n 1p "$log")" = "00 00 41 00 00 0c 45 01 00 00 00 00 00 00 00 42" ] ||
    fail "first report is not the read request: $(sed -n 1p "$log")"
[ "$(sed -n 2p "$log")" = "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" ] ||
    fail "the read was not followed by the zero report: $(sed -n 2p "$log")"
echo "read the device block: read request, then 16 zero bytes"

expect_file() { # name, content
    [ "$(cat "$folder/$1" 2>/dev/null)" = "$2" ] || fail "$1 holds: $(cat "$folder/$1" 2>/dev/null)"
}
expect_file setting.ini $'[setting]\nCurrentConfig=1'
for n in 1 2 3 4; do
    expect_file "UserConfig_$n.ini" $'[setting]\nsettingToVoice=0f0f4f15bc2c2c3e\n\n\n[moshi]\nsettingToVoiceYing=1'
done
echo "made the five settings files"

# Hide the window into the tray with a double click on its icon, then start
# again: the second copy ends at once and the first window is back.
icon=$(xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "Orlenta": ("Orlenta" "Orlenta")  22x22+0+0  +\([0-9]*\)+\([0-9]*\).*/\2 \3/p' | head -1)
[ -n "$icon" ] || fail "no tray icon"
read -r ix iy <<<"$icon"
# An embedded (XEmbed) icon reports a single click too: only the double click toggles.
xdotool mousemove $((ix + 11)) $((iy + 11)) click 1
sleep 0.6
mapped_as "$win" IsViewable || fail "a single click on the tray icon hid the window"
xdotool mousemove $((ix + 11)) $((iy + 11)) click --repeat 2 --delay 80 1
wait_for 5 mapped_as "$win" IsUnMapped || fail "double click on the tray icon did not hide the window"
echo "tray double click hid the window"

start=$(date +%s%N)
timeout 10 "$folder/Orlenta" >"$work/second.log" 2>&1
rc=$?
elapsed=$((($(date +%s%N) - start) / 1000000))
[ $rc -eq 0 ] || fail "second start ended with $rc"
[ $elapsed -lt 3000 ] || fail "second start took $elapsed ms"
kill -0 "$first" 2>/dev/null || fail "the first copy ended"
wait_for 5 mapped_as "$win" IsViewable || fail "the first window did not come back"
echo "second start ended after $elapsed ms and brought the first window back"

# Escape ends the program (a click on a label first gives it the keyboard).
xdotool mousemove 20 340 click 1
sleep 0.3
xdotool key Escape
wait_for 10 bash -c "! kill -0 $first 2>/dev/null" || fail "Escape did not end the program"
wait "$first"
rc=$?
first=
[ $rc -eq 0 ] || fail "the program ended with $rc"
echo "Escape ended the program"
echo "1 passed, 0 failed"
