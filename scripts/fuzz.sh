#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets of fuzz/ (preset fuzz: clang with libFuzzer,
# AddressSanitizer and UBSan) and runs each for a while, starting from its
# seed corpus in fuzz/corpus/<target>. Any finding (a crash, a sanitizer
# report, a broken property, an input that hangs) fails the run; the input
# that found it is kept in build-fuzz/findings/, the corpus grown meanwhile in
# build-fuzz/corpus/.
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
# Targets are named as their corpus folders (input_reports, take_file, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(ls fuzz/corpus)

scripts/setup.sh fuzz

work=build-fuzz/corpus
findings=build-fuzz/findings
mkdir -p "$findings"
failed=0
for target in "${targets[@]}"; do
    program=build-fuzz/fuzz/fuzz_$target
    [ -x "$program" ] || { echo "$target: no such fuzz target" >&2; failed=1; continue; }
    mkdir -p "$work/$target"
    log=build-fuzz/fuzz_$target.log
    if "$program" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$findings/$target-" "$work/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        echo "$target: $runs runs in ${seconds} s ($((rate * 60)) a minute), no finding"
    else
        echo "$target: FINDING, see $log and $findings/"
        failed=1
    fi
done
# A target that ends through _Exit leaves its scratch folder; none runs now.
for folder in /dev/shm/orlenta-fuzz-* "${TMPDIR:-/tmp}"/orlenta-fuzz-*; do
    [ -d "$folder" ] && ! kill -0 "${folder##*-}" 2>/dev/null && rm -rf "$folder"
done
exit "$failed"
