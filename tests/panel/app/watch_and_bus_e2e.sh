#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `orlenta watch` and the D-Bus interface as scripts use them: the staged
# program started as the panel against the simulated device, in a copy of the
# simulated program folder with a logging stand-in for the HID library (so
# the test sees what the card received, and can press the card's buttons),
# on the private session bus of tests/support/private_buses.sh.
#   private_buses.sh watch_and_bus_e2e.sh <stage-sim folder> <report-logging shim>
set -uo pipefail
# shellcheck source=tests/panel/app/e2e_support.sh
source "$(dirname "$0")/e2e_support.sh"

stage=$1
shim=$2
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || fail "no private session bus: run under private_buses.sh"

work=$(mktemp -d /tmp/orlenta-watch-XXXXXX)
panel=
background=()
cleanup() {
    [ -n "$panel" ] && kill "$panel" 2>/dev/null
    [ -s "$work/watch.pid" ] && kill "$(cat "$work/watch.pid")" 2>/dev/null
    for pid in "${background[@]}"; do kill "$pid" 2>/dev/null; done
    exec 5>&- 6>&- 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

use_stage_with_shim "$stage" "$shim" "$work"
mkfifo "$work/buttons"
export ORLENTA_SHIM_PRESS=$work/buttons QT_QPA_PLATFORM=offscreen
unset XDG_ACTIVATION_TOKEN

orlenta() { "$folder/Orlenta" "$@" >"$work/out" 2>"$work/err"; }
panel_call() {
    gdbus call --session --dest org.orlenta.Orlenta --object-path /org/orlenta/Orlenta \
        --method "$@" >"$work/out" 2>"$work/err"
}
# The card's own state report, as its buttons send it: eight block bytes.
# The FIFO stays open between presses.
exec 5<>"$work/buttons"
press() { echo "$*" >&5; }
seen() { grep -c "$1" "$work/seen" 2>/dev/null || echo 0; }
card_lines_at_least() { [ "$(seen '"source": "card"')" -ge "$1" ]; }
lines_at_least() { [ "$(grep -c "$2" "$3")" -ge "$1" ]; }
has_seen() { grep -q "$1" "$work/seen" 2>/dev/null; }
panel_ended() { ! kill -0 "$panel" 2>/dev/null; }

"$folder/Orlenta" --hidden >"$work/panel.log" 2>&1 &
panel=$!
wait_for 10 reports_at_least 2 || fail "the panel did not read the card: $(cat "$work/panel.log")"
bus_owner() { gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetNameOwner org.orlenta.Orlenta 2>/dev/null; }
has_owner() { bus_owner >/dev/null; }
wait_for 10 has_owner || fail "the panel took no name on the session bus"

# What a script does: read the stream line by line, act on each.
{
    "$folder/Orlenta" watch --json &
    echo $! >"$work/watch.pid"
    wait $!
    echo $? >"$work/watch.rc"
} | while read -r line; do
    echo "$line" >>"$work/seen"
done &
background+=($!)
gdbus monitor --session --dest org.orlenta.Orlenta >"$work/signals" 2>&1 &
background+=($!)
wait_for 10 has_seen '"connected": true.*"source": "connection"}$' ||
    fail "watch --json printed no first line: $(cat "$work/seen" 2>/dev/null)"
pass "watch --json: the status at once, source connection"

panel_call org.orlenta.Orlenta1.Set "{'mic-mute': <true>}" ||
    fail "Set failed: $(cat "$work/err")"
[ "$(cat "$work/out")" = "()" ] || fail "Set answered: $(cat "$work/out")"
[ "$(reports)" -eq 4 ] || fail "Set sent $(($(reports) - 2)) reports, not one write and its release"
[ "$(sed -n 3p "$log")" = "00 00 60 00 00 0c 45 0f 0f 4f 15 bc 2a af 3e b5" ] ||
    fail "Set wrote: $(sed -n 3p "$log")"
wait_for 5 has_seen '"mic-mute": true.*"source": "command"}$' ||
    fail "watch saw no command line: $(cat "$work/seen")"
panel_call org.freedesktop.DBus.Properties.Get org.orlenta.Orlenta1 Status || fail "Get failed"
grep -q "'mic-mute': <true>" "$work/out" || fail "Status holds: $(cat "$work/out")"
wait_for 5 grep -q "org.orlenta.Orlenta1.Changed (.*'mic-mute': <true>.*'command')" "$work/signals" ||
    fail "no Changed signal: $(cat "$work/signals")"
grep -q "PropertiesChanged ('org.orlenta.Orlenta1', {'Status'" "$work/signals" ||
    fail "no PropertiesChanged of Status: $(cat "$work/signals")"
pass "gdbus Set {'mic-mute': <true>}: one write, a watch line, Changed and PropertiesChanged"

for bad in "{'mic-mute': <1>}" "{'master-vol': <uint64 16>}" "{'volume': <3>}" "{}" \
    "{'mic-mute': <true>, 'mode': <'karaoke'>}"; do
    panel_call org.orlenta.Orlenta1.Set "$bad" && fail "Set $bad was taken"
    grep -q "org.orlenta.Orlenta1.Error.InvalidArgument" "$work/err" ||
        fail "Set $bad said: $(cat "$work/err")"
done
[ "$(reports)" -eq 4 ] || fail "a bad Set sent something"
pass "a bad Set fails with InvalidArgument and sends nothing"

press 0f 0f 4f 15 85 2a af 3e
wait_for 5 has_seen '"master-vol": 5,.*"source": "card"}$' ||
    fail "watch saw no card line: $(tail -2 "$work/seen")"
wait_for 5 grep -q "Changed (.*'master-vol': <5>.*'card')" "$work/signals" ||
    fail "no Changed from the card"
pass "the card's buttons: a watch line and Changed, source card"

timeout 10 "$folder/Orlenta" --hidden >"$work/second.log" 2>&1 || fail "a second start ended with $?"
gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.ListQueuedOwners org.orlenta.Orlenta >"$work/out"
[ "$(grep -o "':1\.[0-9]*'" "$work/out" | wc -l)" -eq 1 ] || fail "owners: $(cat "$work/out")"
gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetConnectionUnixProcessID "$(bus_owner | grep -o ':1\.[0-9]*')" \
    >"$work/out"
grep -q "(uint32 $panel,)" "$work/out" || fail "the name's owner is $(cat "$work/out"), not $panel"
DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus orlenta status --json ||
    fail "status without a session bus ended with $?: $(cat "$work/err")"
grep -q '"mic-mute": true' "$work/out" || fail "status without a session bus printed $(cat "$work/out")"
pass "one owner of the name, the panel; the command line needs no bus"

# A watch whose reader stops: its output goes into a pipe nobody reads.
mkfifo "$work/stalled"
exec 6<>"$work/stalled"
"$folder/Orlenta" watch --json >"$work/stalled" &
stalled=$!
background+=($stalled)
"$folder/Orlenta" watch >"$work/plain" 2>&1 &
plain=$!
background+=($plain)
wait_for 5 grep -q '^\[connection\]' "$work/plain" || fail "plain watch printed: $(cat "$work/plain")"
before=$(seen '"source": "card"')
# About 375 lines fill the pipe and the sockets between the stalled watch and
# the panel, and 210 more the panel's backlog for it: 1500 leave no doubt that
# it is dropped. They go in batches the reading watch keeps up with, or a
# burst would leave it behind by as much, and drop it too.
for batch in $(seq 15); do
    for i in $(seq 100); do
        press 0f 0f 4f 15 8$((i % 2 + 1)) 2a af 3e
    done
    wait_for 10 card_lines_at_least $((before + batch * 100)) ||
        fail "the reading watch saw $(($(seen '"source": "card"') - before)) of $((batch * 100)) presses"
done
start=$(date +%s%N)
orlenta status || fail "status while a watch stalls ended with $?"
[ $((($(date +%s%N) - start) / 1000000)) -lt 3000 ] || fail "status took more than 3 s"
[ "$(seen '"source": "connection"')" -eq 1 ] || fail "the reading watch was dropped"
tail -1 "$work/seen" | grep -q '"master-vol": 1,.*"source": "card"}$' ||
    fail "the reading watch's last line: $(tail -1 "$work/seen")"
grep -q '^\[card\] master-vol: 1$' "$work/plain" || fail "plain watch: $(tail -2 "$work/plain")"
timeout 5 cat <&6 >"$work/stalled.out"
[ "$(grep -c '"source": "connection"' "$work/stalled.out")" -ge 2 ] ||
    fail "the stalled watch was not dropped and taken back: $(grep -c . "$work/stalled.out") lines"
kill -0 "$stalled" 2>/dev/null || fail "the stalled watch ended"
# Without a panel it would open the card beside the next one.
kill "$stalled"
pass "a watch that stops reading is dropped, then subscribes again; the others and status go on"

kill -INT "$(cat "$work/watch.pid")"
wait_for 5 test -s "$work/watch.rc" || fail "watch did not end on SIGINT"
[ "$(cat "$work/watch.rc")" -eq 0 ] || fail "watch ended with $(cat "$work/watch.rc") on SIGINT"
pass "SIGINT ends watch with exit status 0"

panel_call org.orlenta.Orlenta1.Quit || fail "Quit failed: $(cat "$work/err")"
wait_for 10 panel_ended || fail "Quit did not end the panel"
wait "$panel"
rc=$?
panel=
[ $rc -eq 0 ] || fail "the panel ended with $rc: $(tail -20 "$work/panel.log")"
wait_for 10 lines_at_least 2 '^\[connection\]' "$work/plain" ||
    fail "the watch did not take the card after the panel: $(tail -2 "$work/plain")"
press 0f 0f 4f 15 87 2a af 3e
wait_for 5 grep -q '^\[card\] .*master-vol: 7' "$work/plain" ||
    fail "the watch on the card itself saw no press: $(tail -2 "$work/plain")"
kill -TERM "$plain"
wait "$plain"
rc=$?
[ $rc -eq 0 ] || fail "watch ended with $rc on SIGTERM"
pass "Quit ends the panel; a watch then follows the card itself; SIGTERM ends it with 0"

echo "$passed passed, 0 failed"
