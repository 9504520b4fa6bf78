#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Wayland smoke test against a headless weston of its own.
#   wayland_smoke.sh <test program>
# Skips (exit 77) where weston or Qt's Wayland plugin is not installed.
set -uo pipefail
program=$1

command -v weston >/dev/null || { echo "SKIP: weston is not installed"; exit 77; }
plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
[ -e "$plugins/platforms/libqwayland-generic.so" ] || { echo "SKIP: qt6-wayland is not installed"; exit 77; }

run=$(mktemp -d /tmp/orlenta-wayland-XXXXXX)
chmod 700 "$run"
weston_pid=
cleanup() {
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    rm -rf "$run"
}
trap cleanup EXIT

XDG_RUNTIME_DIR=$run weston --backend=headless-backend.so --socket=wayland-smoke --idle-time=0 \
    >"$run/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do [ -S "$run/wayland-smoke" ] && break; sleep 0.05; done
[ -S "$run/wayland-smoke" ] || { cat "$run/weston.log"; echo "FAIL: weston did not start"; exit 1; }

XDG_RUNTIME_DIR=$run WAYLAND_DISPLAY=wayland-smoke QT_QPA_PLATFORM=wayland "$program"
