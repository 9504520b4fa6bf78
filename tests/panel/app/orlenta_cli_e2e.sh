#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The staged program given commands with no panel running and no display at
# all, against the simulated device, with a logging stand-in for the HID
# library so the test sees what the card received.
#   orlenta_cli_e2e.sh <stage-sim folder> <report-logging shim> <bash completion file>
set -uo pipefail
# shellcheck source=tests/panel/app/e2e_support.sh
source "$(dirname "$0")/e2e_support.sh"

stage=$1
shim=$2
completion=$3

work=$(mktemp -d /tmp/orlenta-cli-XXXXXX)
trap 'rm -rf "$work"' EXIT
folder=$work/Orlenta
copy_stage_with_shim "$stage" "$shim" "$folder" || fail "cannot copy $stage"
mkdir -m 700 "$work/run" && mkdir "$work/home" "$work/config"
log=$work/reports.log
# The sound server of scripts/services.sh, found through its runtime folder,
# which the commands here do not have.
sound=unix:${XDG_RUNTIME_DIR:-}/pulse/native

# No display, no Qt platform, no session bus: a command must not need one.
orlenta() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DBUS_SESSION_BUS_ADDRESS \
        HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
        ORLENTA_SHIM_TARGET="$folder/simulated.so" ORLENTA_SHIM_LOG="$log" \
        "$folder/Orlenta" "$@" >"$work/out" 2>"$work/err"
}

orlenta status --json || fail "status --json ended with $?: $(cat "$work/err")"
grep -q '^{"connected": true, "mode": "sing", "master-vol": 12,.*"preset": 1}$' "$work/out" ||
    fail "status --json printed: $(cat "$work/out")"
[ "$(reports)" -eq 2 ] || fail "status sent $(reports) reports, not the read and its release"
pass "status --json read the card without a display"

orlenta set master-vol=5 mic-mute=on || fail "set ended with $?: $(cat "$work/err")"
[ "$(sed -n 5p "$log")" = "00 00 60 00 00 0c 45 0f 0f 4f 15 b5 2a af 3e ae" ] ||
    fail "set wrote: $(sed -n 5p "$log")"
[ "$(reports)" -eq 6 ] || fail "set sent $(reports) reports in all"
grep -qx 'settingToVoice=0f0f4f15b52aaf3e' "$folder/UserConfig_1.ini" ||
    fail "UserConfig_1.ini holds: $(cat "$folder/UserConfig_1.ini")"
grep -qx 'master-vol: 5' "$work/out" || fail "set printed: $(cat "$work/out")"
pass "set wrote one block and kept it in preset 1"

before=$(reports)
orlenta set master-vol=16
rc=$?
[ $rc -eq 64 ] || fail "an out-of-range value ended with $rc"
grep -q "master-vol must be a whole number from 0 to 15, not '16'" "$work/err" ||
    fail "the message was: $(cat "$work/err")"
[ "$(reports)" -eq "$before" ] || fail "an out-of-range value sent something"
pass "out of range: exit 64, nothing sent"

orlenta show
rc=$?
[ $rc -eq 69 ] || fail "show without a panel ended with $rc"
grep -q "no panel is running" "$work/err" || fail "show said: $(cat "$work/err")"
pass "show without a panel: exit 69"

orlenta --version && grep -Eq '^orlenta [0-9]+\.[0-9]+\.[0-9]+$' "$work/out" ||
    fail "--version printed: $(cat "$work/out")"
orlenta --help && grep -q '^Usage: orlenta' "$work/out" || fail "--help printed: $(cat "$work/out")"
pass "--version and --help"

entry=$work/config/autostart/org.orlenta.Orlenta.desktop
orlenta autostart on || fail "autostart on ended with $?: $(cat "$work/err")"
[ -f "$entry" ] || fail "autostart on wrote no $entry"
desktop-file-validate "$entry" || fail "the autostart entry does not validate"
grep -qx "Exec=$folder/Orlenta --hidden" "$entry" || fail "the entry starts: $(grep ^Exec= "$entry")"
orlenta autostart off || fail "autostart off ended with $?"
[ ! -e "$entry" ] || fail "autostart off left $entry"
pass "autostart on writes a valid entry in \$XDG_CONFIG_HOME/autostart, off removes it"

read_request="00 00 41 00 00 0c 45 01 00 00 00 00 00 00 00 42"
before=$(reports)
PULSE_SERVER=$sound orlenta diagnose --json
rc=$?
[ $rc -eq 0 ] || fail "diagnose ended with $rc: $(grep -A1 '"what"' "$work/out") $(cat "$work/err")"
for field in '"through": "HID library"' '"result": "opened"' "\"sent\": \"$read_request\"" \
    '"checksum": "right"' '"session_bus": false' '"card_sink": {' '"recorder": {'; do
    grep -qF "$field" "$work/out" || fail "diagnose --json lacks $field: $(cat "$work/out")"
done
[ ! -s "$work/err" ] || fail "diagnose wrote to stderr: $(cat "$work/err")"
[ "$(reports)" -eq $((before + 2)) ] && [ "$(sed -n "$((before + 1))p" "$log")" = "$read_request" ] ||
    fail "diagnose sent: $(tail -n +$((before + 1)) "$log")"
pass "diagnose --json read the card once, without a display or a session bus: exit 0"

PULSE_SERVER=unix:/nonexistent/orlenta-test/native orlenta diagnose
rc=$?
[ $rc -eq 1 ] || fail "diagnose without a sound server ended with $rc"
grep -q '^  - no sound server answered' "$work/out" && grep -qx '    checksum: right' "$work/out" ||
    fail "diagnose without a sound server printed: $(cat "$work/out")"
pass "diagnose without a sound server: the problem named, exit 1"

complete_line() { # the line typed so far; prints the completions
    bash -c 'source "$1"; COMP_LINE=$2; COMP_POINT=${#2}; _orlenta; echo "${COMPREPLY[*]}"' _ "$completion" "$1"
}
bash -c 'source "$1"; complete -p orlenta' _ "$completion" | grep -q -- '-F _orlenta orlenta' ||
    fail "the completion file does not complete orlenta"
[ "$(complete_line 'orlenta mu')" = "mute" ] || fail "'orlenta mu' completes to $(complete_line 'orlenta mu')"
[ "$(complete_line 'orlenta set fx-t')" = "fx-type=" ] || fail "set key completion"
[ "$(complete_line 'orlenta set mode=s')" = "sing" ] || fail "set value completion"
[ "$(complete_line 'orlenta mute rec ')" = "on off toggle" ] || fail "mute state completion"
[ "$(complete_line 'orlenta --verbose diag')" = "diagnose" ] || fail "command after --verbose"
[ "$(complete_line 'orlenta mute --verbose rec ')" = "on off toggle" ] || fail "--verbose between words"
[ "$(complete_line 'orlenta diagnose -')" = "--json --verbose" ] || fail "diagnose option completion"
pass "bash completion"

echo "$passed passed, 0 failed"
