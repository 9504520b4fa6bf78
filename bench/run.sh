#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark once; each prints its measurements and its ratio
# against the reference it measures in the same run.
#   bench/run.sh [build-folder]        (default: build)
# To add a benchmark, add one line to BENCHMARKS: its name, then the CMake
# target whose program runs it (built into <build-folder>/bench/), then any
# arguments.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}

BENCHMARKS=(
    "card-channel bench_card_channel"
    "panel-startup bench_startup"
    "panel-stalls bench_panel_stall"
    "mp3-conversion bench_mp3_conversion"
    "cut bench_cut"
    "capture-bookkeeping bench_capture"
    "waveform-redraw bench_waveform_redraw"
    "recorder-stalls bench_recorder_stalls"
    "change-latency bench_change_latency"
    "panel-idle bench_panel_idle"
)

if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "no configured build in $build" >&2
    exit 2
fi

targets=()
for entry in "${BENCHMARKS[@]}"; do
    read -r _ target _ <<<"$entry"
    targets+=("$target")
done
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null || exit 2

# The start-up benchmark needs an X display, the recorder's stall benchmark
# a sound server to capture from; without them they run on the private ones
# of scripts/services.sh.
if [ -z "${DISPLAY:-}" ] || ! pactl info >/dev/null 2>&1; then
    services=$("$here/../scripts/services.sh" start) || exit 1
    eval "$services"
    export DISPLAY=${DISPLAY:-$ORLENTA_TEST_DISPLAY}
    trap '"$here/../scripts/services.sh" stop' EXIT
fi

status=0
for entry in "${BENCHMARKS[@]}"; do
    read -r name target arguments <<<"$entry"
    echo "== $name"
    # shellcheck disable=SC2086 # arguments are split on purpose
    if ! "$build/bench/$target" $arguments; then
        echo "!! $name did not run to the end" >&2
        status=1
    fi
done
exit $status
