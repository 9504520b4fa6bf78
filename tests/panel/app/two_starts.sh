#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Two copies of the staged panel started at the same moment: exactly one
# keeps running, the other hands over and ends with 0.
#   two_starts.sh <stage-sim folder>
set -uo pipefail
stage=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d /tmp/orlenta-two-starts-XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cp -r "$stage" "$work/Orlenta"
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen

for round in 1 2 3; do
    "$work/Orlenta/Orlenta" >"$work/a.log" 2>&1 &
    a=$!
    "$work/Orlenta/Orlenta" >"$work/b.log" 2>&1 &
    b=$!
    pids=("$a" "$b")
    # The later copy waits for the first to listen, then ends.
    for _ in $(seq 100); do
        kill -0 "$a" 2>/dev/null && kill -0 "$b" 2>/dev/null || break
        sleep 0.05
    done
    sleep 1
    running=()
    for pid in "$a" "$b"; do kill -0 "$pid" 2>/dev/null && running+=("$pid"); done
    [ ${#running[@]} -eq 1 ] || fail "round $round: ${#running[@]} copies kept running"
    for pid in "$a" "$b"; do
        if [ "$pid" != "${running[0]}" ]; then
            wait "$pid"
            rc=$?
            [ $rc -eq 0 ] || fail "round $round: the second copy ended with $rc"
        fi
    done
    kill "${running[0]}"
    wait "${running[0]}" 2>/dev/null
    pids=()
    echo "round $round: one copy ran, the other handed over"
done
echo "1 passed, 0 failed"
