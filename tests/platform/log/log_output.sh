#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the staged program writes to stderr: nothing on a normal panel start
# or command, timestamped debug lines of every orlenta category with
# --verbose (anywhere on the command line), and QT_LOGGING_RULES still
# ruling over it. Against the simulated device, without a display.
#   log_output.sh <stage-sim folder>
set -uo pipefail
# shellcheck source=tests/panel/app/e2e_support.sh
source "$(dirname "$0")/../../panel/app/e2e_support.sh"

stage=$1
work=$(mktemp -d /tmp/orlenta-log-XXXXXX)
panel=
cleanup() {
    [ -n "$panel" ] && kill "$panel" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cp -r "$stage" "$work/Orlenta" || fail "cannot copy $stage"
mkdir -m 700 "$work/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
unset QT_LOGGING_RULES

orlenta() { "$work/Orlenta/Orlenta" "$@" >"$work/out" 2>"$work/err"; }
stamp='^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} '

orlenta status --json || fail "status ended with $?: $(cat "$work/err")"
[ -s "$work/err" ] && fail "a normal command wrote: $(cat "$work/err")"
cp "$work/out" "$work/quiet.out"
pass "a normal command writes nothing to stderr"

orlenta status --verbose --json || fail "status --verbose ended with $?: $(cat "$work/err")"
cmp -s "$work/out" "$work/quiet.out" || fail "--verbose changed the output: $(cat "$work/out")"
grep -Eq "${stamp}orlenta\.hid debug: to card 16 bytes: 00 00 41 00 00 0c 45 01( 00){7} 42 " "$work/err" ||
    fail "no trace of the read request: $(cat "$work/err")"
grep -Eq "${stamp}orlenta\.hid debug: from card 16 bytes: 00 01 0f 00 00 00 00 0f 4f 15 bc 2a 2f 3e d6 00$" "$work/err" ||
    fail "no trace of the card's answer: $(cat "$work/err")"
grep -Eq "${stamp}orlenta\.card debug: " "$work/err" || fail "no orlenta.card line: $(cat "$work/err")"
grep -Ev "$stamp" "$work/err" && fail "lines without a timestamp"
pass "--verbose after the command traces every report, each line timestamped"

QT_LOGGING_RULES="orlenta.hid.debug=false" orlenta --verbose status ||
    fail "status with rules ended with $?"
grep -q 'orlenta\.hid' "$work/err" && fail "QT_LOGGING_RULES did not turn orlenta.hid off"
grep -q 'orlenta\.card debug' "$work/err" || fail "--verbose lost orlenta.card: $(cat "$work/err")"
QT_LOGGING_RULES="orlenta.hid.debug=true" orlenta status || fail "status with rules ended with $?"
grep -q 'orlenta\.hid debug' "$work/err" || fail "QT_LOGGING_RULES did not turn orlenta.hid on"
grep -q 'orlenta\.card' "$work/err" && fail "orlenta.card spoke without --verbose"
pass "QT_LOGGING_RULES turns categories off over --verbose and on without it"

QT_QPA_PLATFORM=offscreen "$work/Orlenta/Orlenta" >"$work/panel.out" 2>"$work/panel.err" &
panel=$!
# hide reaches only a running panel.
wait_for 20 orlenta hide || fail "the panel did not answer: $(cat "$work/err" "$work/panel.err")"
orlenta status || fail "status to the panel ended with $?"
grep -q '^connected: yes' "$work/out" || fail "the panel said: $(cat "$work/out")"
[ -s "$work/err" ] && fail "a command to the panel wrote: $(cat "$work/err")"
orlenta quit || fail "quit ended with $?"
wait_for 10 bash -c "! kill -0 $panel 2>/dev/null" || fail "the panel did not end"
panel=
[ -s "$work/panel.err" ] && fail "a normal panel start wrote: $(cat "$work/panel.err")"
pass "a normal panel start writes nothing to stderr"
echo "$passed passed, 0 failed"
