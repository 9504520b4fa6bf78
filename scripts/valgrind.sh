#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the test programs that show no windows under valgrind's memcheck. Any
# error it reports (an invalid read or write, a jump on uninitialised memory,
# a bad free, a definite leak) fails the run; scripts/valgrind.supp names the
# third-party code whose reports are not ours to fix.
#   scripts/valgrind.sh [ctest selection, e.g. -R hidctl or -L recorder]
# Uses the default build (scripts/setup.sh first); starts and stops the test
# services as scripts/test.sh does.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build
log_dir=$root/$build/valgrind
[ -f "$build/CTestTestfile.cmake" ] || { echo "No build in $build: run scripts/setup.sh first" >&2; exit 2; }
command -v valgrind >/dev/null || { echo "valgrind is missing: run scripts/setup.sh" >&2; exit 2; }

trap 'scripts/services.sh stop' EXIT
services=$(scripts/services.sh start)
eval "$services"
export QT_QPA_PLATFORM=offscreen
rm -rf "$log_dir"
mkdir -p "$log_dir"

# Test name, program and working folder of every selected test, from CTest.
names=() programs=() folders=()
while IFS= read -r line; do
    if [[ $line =~ ^[0-9]+:\ Test\ command:\ ([^ ]+) ]]; then
        program=${BASH_REMATCH[1]}
    elif [[ $line =~ ^[0-9]+:\ Working\ Directory:\ (.*)$ ]]; then
        folder=${BASH_REMATCH[1]}
    elif [[ $line =~ ^\ *Test\ +#[0-9]+:\ (.*)$ ]]; then
        names+=("${BASH_REMATCH[1]}") programs+=("$program") folders+=("$folder")
    fi
done < <(ctest --test-dir "$build" -N -V "$@")

passed=0 failed=0 skipped=0
for i in "${!names[@]}"; do
    name=${names[$i]} program=${programs[$i]}
    # Scripts, tools the build did not make and window programs are left to
    # scripts/test.sh.
    if [[ $program != "$root/$build/"* ]] || ! head -c4 "$program" | grep -q ELF ||
        readelf -d "$program" | grep -q 'NEEDED.*libQt6Widgets'; then
        skipped=$((skipped + 1))
        continue
    fi
    log=$log_dir/$name.log
    if (cd "${folders[$i]}" && valgrind --tool=memcheck --error-exitcode=99 \
        --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
        --num-callers=40 --suppressions="$root/scripts/valgrind.supp" \
        --log-file="$log" "$program" >"$log.out" 2>&1); then
        echo "memcheck clean: $name"
        passed=$((passed + 1))
    else
        echo "memcheck FAILED: $name (see $log and $log.out)"
        failed=$((failed + 1))
    fi
done
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
