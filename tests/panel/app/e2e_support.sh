# shellcheck shell=bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the end-to-end scripts.

passed=0
fail() { echo "FAIL: $*" >&2; echo "$passed passed, 1 failed"; exit 1; }
pass() { echo "ok: $*"; passed=$((passed + 1)); }

# The X server of scripts/services.sh, with nothing set that would take the
# panel to another platform or hand it another program's activation.
use_test_display() {
    [ -n "${ORLENTA_TEST_DISPLAY:-}" ] ||
        fail "ORLENTA_TEST_DISPLAY is not set: eval \"\$(scripts/services.sh start)\" first"
    export DISPLAY=$ORLENTA_TEST_DISPLAY
    unset QT_QPA_PLATFORM XDG_ACTIVATION_TOKEN
    xdpyinfo >/dev/null 2>&1 || fail "no X server on $DISPLAY"
}

# The panel's main window.
window_id() { xdotool search --name '^Orlenta HD$' 2>/dev/null | head -1; }

# How many reports the card received, as the logging stand-in wrote them to $log.
reports() { wc -l <"${log:?}" 2>/dev/null || echo 0; }
reports_at_least() { [ "$(reports)" -ge "$1" ]; }

# A copy of the simulated program folder whose HID library is the logging
# stand-in, with the simulated device beside it as the stand-in's target
# (ORLENTA_SHIM_TARGET=<folder>/simulated.so).
#   copy_stage_with_shim <stage-sim folder> <report-logging shim> <new folder>
copy_stage_with_shim() {
    cp -r "$1" "$3" &&
        mv "$3/NUVAUDIOCTL.so" "$3/simulated.so" &&
        cp "$2" "$3/NUVAUDIOCTL.so"
}

# The program run from a copy of the simulated program folder with the
# logging stand-in, with a private runtime folder, all below <work folder>:
# sets folder and log, and exports what the program and the stand-in read.
#   use_stage_with_shim <stage-sim folder> <report-logging shim> <work folder>
use_stage_with_shim() {
    folder=$3/Orlenta
    copy_stage_with_shim "$1" "$2" "$folder" || fail "cannot copy $1"
    mkdir -m 700 "$3/run"
    log=$3/reports.log
    : >"$log"
    export XDG_RUNTIME_DIR=$3/run ORLENTA_SHIM_TARGET=$folder/simulated.so ORLENTA_SHIM_LOG=$log
}

# Retries a command every 50 ms until it comes true or the seconds are over.
#   wait_for <seconds> <command...>
wait_for() {
    local tries=$(($1 * 20)); shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.05; done
    return 1
}
