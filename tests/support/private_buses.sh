#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command with a private D-Bus session bus, and a second private bus
# standing in for the system bus, so tests of desktop services meet only the
# fakes they start there, never the machine's own buses.
#   private_buses.sh COMMAND [ARGUMENTS...]
set -euo pipefail

folder=$(mktemp -d "${TMPDIR:-/tmp}/orlenta-buses-XXXXXX")
pids=()
stop() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$folder"
}
trap stop EXIT

# Starts a bus daemon listening at $folder/NAME.
start_bus() {
    dbus-daemon --session --nofork --address="unix:path=$folder/$1" >/dev/null 2>"$folder/$1.log" &
    pids+=($!)
}

# Waits until the bus at $folder/NAME answers.
wait_for_bus() {
    for _ in $(seq 100); do
        dbus-send --bus="unix:path=$folder/$1" --dest=org.freedesktop.DBus --print-reply \
            /org/freedesktop/DBus org.freedesktop.DBus.GetId >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    echo "private_buses.sh: the $1 bus did not start: $(cat "$folder/$1.log")" >&2
    exit 1
}

start_bus session
start_bus system
wait_for_bus session
wait_for_bus system
DBUS_SESSION_BUS_ADDRESS=unix:path=$folder/session DBUS_SYSTEM_BUS_ADDRESS=unix:path=$folder/system "$@"
