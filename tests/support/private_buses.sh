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

# Starts a bus daemon listening at $folder/NAME. It starts no services of its
# own: with the standard session configuration a call to a name nobody owns
# would start the machine's real service (the accessibility bus, a portal, a
# notification server) on the private bus.
start_bus() {
    cat >"$folder/$1.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$folder/$1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    dbus-daemon --config-file="$folder/$1.conf" --nofork >/dev/null 2>"$folder/$1.log" &
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
