# shellcheck shell=bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the end-to-end scripts.

# A copy of the simulated program folder whose HID library is the logging
# stand-in, with the simulated device beside it as the stand-in's target
# (ORLENTA_SHIM_TARGET=<folder>/simulated.so).
#   copy_stage_with_shim <stage-sim folder> <report-logging shim> <new folder>
copy_stage_with_shim() {
    cp -r "$1" "$3" &&
        mv "$3/NUVAUDIOCTL.so" "$3/simulated.so" &&
        cp "$2" "$3/NUVAUDIOCTL.so"
}

# Retries a command every 50 ms until it comes true or the seconds are over.
#   wait_for <seconds> <command...>
wait_for() {
    local tries=$(($1 * 20)); shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.05; done
    return 1
}
