#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Commands given to a running panel: the staged program started hidden under
# X with a tray, against the simulated device in a copy of the simulated
# program folder, with a logging stand-in for the HID library so the test
# sees what the card received. Then a hidden start on a display that has no
# tray until later.
#   running_panel_e2e.sh <stage-sim folder> <report-logging shim>
# Needs the X server of scripts/services.sh (ORLENTA_TEST_DISPLAY).
set -uo pipefail
# shellcheck source=tests/panel/app/e2e_support.sh
source "$(dirname "$0")/e2e_support.sh"

stage=$1
shim=$2
use_test_display

work=$(mktemp -d /tmp/orlenta-running-XXXXXX)
panel=
background=()
cleanup() {
    [ -n "$panel" ] && kill -CONT "$panel" 2>/dev/null && kill "$panel" 2>/dev/null
    for pid in "${background[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

folder=$work/Orlenta
copy_stage_with_shim "$stage" "$shim" "$folder" || fail "cannot copy $stage"
mkdir -m 700 "$work/run"
log=$work/reports.log
# The sound server of scripts/services.sh, found through its runtime folder.
sound=unix:${XDG_RUNTIME_DIR:-}/pulse/native
export XDG_RUNTIME_DIR=$work/run ORLENTA_SHIM_TARGET=$folder/simulated.so ORLENTA_SHIM_LOG=$log

orlenta() { "$folder/Orlenta" "$@" >"$work/out" 2>"$work/err"; }
report() { sed -n "$1p" "$log"; }
viewable() { local id; id=$(window_id); [ -n "$id" ] && xwininfo -id "$id" | grep -q 'Map State: IsViewable'; }
not_viewable() { ! viewable; }
panel_ended() { ! kill -0 "$panel" 2>/dev/null; }
tray_icon() { xwininfo -root -tree | grep -q '"Orlenta": ("Orlenta" "Orlenta")  22x22'; }
has_file_line() { grep -qx "$2" "$folder/$1"; }
# Needs neither the display nor a session bus.
diagnose() {
    env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS PULSE_SERVER="$sound" \
        "$folder/Orlenta" diagnose "$@" >"$work/out" 2>"$work/err"
}

"$folder/Orlenta" --hidden >"$work/panel.log" 2>&1 &
panel=$!
wait_for 10 reports_at_least 2 || fail "the panel did not read the card"
wait_for 10 tray_icon || fail "the hidden panel put no icon in the tray"
sleep 0.5
viewable && fail "--hidden showed the window"
pass "--hidden: the panel runs in the tray, no window shown"

orlenta status --json || fail "status ended with $?: $(cat "$work/err")"
grep -q '^{"connected": true, "mode": "sing", "master-vol": 12,.*"preset": 1}$' "$work/out" ||
    fail "status --json printed: $(cat "$work/out")"
[ "$(reports)" -eq 2 ] || fail "status sent something to the card"
pass "status --json from the running panel"

orlenta set master-vol=5 mic-mute=on || fail "set ended with $?: $(cat "$work/err")"
[ "$(reports)" -eq 4 ] || fail "set sent $(($(reports) - 2)) reports, not one write and its release"
[ "$(report 3)" = "00 00 60 00 00 0c 45 0f 0f 4f 15 b5 2a af 3e ae" ] || fail "set wrote: $(report 3)"
[ "$(report 4)" = "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" ] || fail "no release after the write"
has_file_line UserConfig_1.ini 'settingToVoice=0f0f4f15b52aaf3e' ||
    fail "UserConfig_1.ini holds: $(cat "$folder/UserConfig_1.ini")"
orlenta status && grep -qx 'master-vol: 5' "$work/out" && grep -qx 'mic-mute: on' "$work/out" ||
    fail "the panel shows: $(cat "$work/out")"
pass "set: one block written, kept in preset 1, shown by the panel"

for bad in "set master-vol=16" "set volume=3" "mute mic maybe" "preset 5"; do
    # shellcheck disable=SC2086
    orlenta $bad
    rc=$?
    [ $rc -eq 64 ] || fail "'$bad' ended with $rc"
    grep -q "Try 'orlenta --help'" "$work/err" || fail "'$bad' said: $(cat "$work/err")"
done
[ "$(reports)" -eq 4 ] || fail "bad input sent something"
pass "bad input: exit 64, nothing sent"

orlenta mute mic toggle || fail "mute toggle ended with $?"
grep -qx 'mic-mute: off' "$work/out" || fail "mute toggle printed: $(cat "$work/out")"
[ "$(reports)" -eq 6 ] || fail "mute toggle sent $(($(reports) - 4)) reports"
pass "mute mic toggle"

orlenta preset 2 || fail "preset 2 ended with $?: $(cat "$work/err")"
[ "$(report 7)" = "00 00 60 00 00 0c 45 0f 0f 4f 15 bc 2c 2c 3e 34" ] || fail "preset 2 wrote: $(report 7)"
has_file_line setting.ini 'CurrentConfig=2' || fail "setting.ini holds: $(cat "$folder/setting.ini")"
grep -qx 'preset: 2' "$work/out" || fail "preset 2 printed: $(cat "$work/out")"
orlenta reset || fail "reset ended with $?"
[ "$(report 9)" = "00 00 60 00 00 0c 45 0f 0f 4f 15 bc 2a 2f 3e 35" ] || fail "reset wrote: $(report 9)"
has_file_line UserConfig_2.ini 'settingToVoice=0f0f4f15bc2a2f3e' ||
    fail "UserConfig_2.ini holds: $(cat "$folder/UserConfig_2.ini")"
[ "$(reports)" -eq 10 ] || fail "preset and reset sent $(($(reports) - 6)) reports"
pass "preset 2 and reset, as their buttons"

orlenta show || fail "show ended with $?: $(cat "$work/err")"
wait_for 5 viewable || fail "show did not show the window"
orlenta hide || fail "hide ended with $?"
wait_for 5 not_viewable || fail "hide left the window shown"
timeout 10 "$folder/Orlenta" --hidden >"$work/second.log" 2>&1 || fail "a second hidden start ended with $?"
sleep 0.5
viewable && fail "a second hidden start showed the window"
timeout 10 "$folder/Orlenta" >"$work/second.log" 2>&1 || fail "a second start ended with $?"
wait_for 5 viewable || fail "a second start did not bring the window back"
kill -0 "$panel" 2>/dev/null || fail "the panel ended"
pass "show, hide; a second start brings the window back, a hidden one leaves it"

diagnose --json
rc=$?
[ $rc -eq 0 ] || fail "diagnose ended with $rc: $(grep -A1 '"what"' "$work/out") $(cat "$work/err")"
grep -qF '"through": "running panel"' "$work/out" && grep -qF '"checksum": "right"' "$work/out" ||
    fail "diagnose --json printed: $(cat "$work/out")"
[ "$(reports)" -eq 12 ] || fail "diagnose sent $(($(reports) - 10)) reports, not one read and its release"
[ "$(report 11)" = "00 00 41 00 00 0c 45 01 00 00 00 00 00 00 00 42" ] || fail "diagnose sent: $(report 11)"
kill -0 "$panel" 2>/dev/null || fail "the panel ended"
pass "diagnose: the running panel reads the card for it, nothing opened beside it"

# A panel that holds its place but does not answer (stopped): the command
# gives up and leaves the card to it, and the panel survives the client that
# hung up.
kill -STOP "$panel"
start=$(date +%s)
timeout 30 "$folder/Orlenta" status >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 1 ] || fail "status to a stopped panel ended with $rc"
grep -q "did not answer" "$work/err" || fail "status to a stopped panel said: $(cat "$work/err")"
timeout 30 env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS PULSE_SERVER="$sound" \
    "$folder/Orlenta" diagnose >"$work/out" 2>"$work/err"
diagnose_rc=$?
# Counted while the panel is stopped: once it goes on, it serves the
# requests of the clients that gave up.
reports_while_stopped=$(reports)
kill -CONT "$panel"
[ $diagnose_rc -eq 1 ] && grep -q '^  - the running panel did not answer for the card$' "$work/out" ||
    fail "diagnose beside a stopped panel ended with $diagnose_rc: $(cat "$work/out")"
[ $(($(date +%s) - start)) -lt 25 ] || fail "status and diagnose to a stopped panel took $(($(date +%s) - start)) s"
[ "$reports_while_stopped" -eq 12 ] || fail "the card was opened beside the stopped panel"
sleep 1
kill -0 "$panel" 2>/dev/null || fail "the panel ended after answering a client that had gone"
orlenta status || fail "status after the panel went on ended with $?"
pass "a panel that does not answer: status exits 1, diagnose names it, the card left alone"

orlenta quit || fail "quit ended with $?: $(cat "$work/err")"
wait_for 10 panel_ended || fail "quit did not end the panel"
wait "$panel"
rc=$?
panel=
[ $rc -eq 0 ] || fail "the panel ended with $rc"
orlenta status --json || fail "status without a panel ended with $?: $(cat "$work/err")"
grep -q '"preset": 2}$' "$work/out" || fail "status without a panel printed: $(cat "$work/out")"
pass "quit ends the panel; then a command opens the card itself"

# A display with no tray yet, as at login before the desktop's panel is up:
# the hidden start is minimised, and goes into the tray once one appears.
# Its number follows the checkout's own display, as scripts/services.sh
# chooses that one, so test runs of other checkouts keep off it.
export DISPLAY=:$((${ORLENTA_TEST_DISPLAY#:} + 400))
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
background+=($!)
x_answers() { xdpyinfo >/dev/null 2>&1; }
wait_for 5 x_answers || fail "no private X server on $DISPLAY: $(cat "$work/xvfb.log")"
"$folder/Orlenta" --hidden >"$work/panel2.log" 2>&1 &
panel=$!
minimised() {
    local id; id=$(window_id)
    [ -n "$id" ] && xprop -id "$id" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN
}
wait_for 10 minimised ||
    fail "without a tray, --hidden did not start minimised: $(xwininfo -root -tree | grep Orlenta; cat "$work/panel2.log")"
tray_icon && fail "an icon without a tray"
DISPLAY=$DISPLAY trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
    >"$work/trayer.log" 2>&1 &
background+=($!)
wait_for 10 tray_icon || fail "no icon once the tray came"
wait_for 5 not_viewable ||
    fail "the minimised window stayed out of the tray that came"
pass "without a tray --hidden minimises; a tray that comes later takes the window"

echo "$passed passed, 0 failed"
