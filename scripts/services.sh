#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts what the tests and a headless run need, and stops it again:
#   scripts/services.sh start   -> prints `export ...` lines for the caller to eval
#   scripts/services.sh stop
# A sound server with a null sink "VEK ZR-4" and a source of the same
# description (what the device looks like to the sound system), and an X
# server with a system tray for the window tests. State lives in one private
# folder, so nothing of the user's own session is touched.
#
# ORLENTA_SOUND_SERVER chooses the sound server: "pulseaudio" (the default) or
# "pipewire", which serves the same client API through pipewire-pulse, as
# today's desktops do. A server of the other kind left running from an earlier
# start is stopped first.
set -euo pipefail

# Each checkout gets its own display and sound server, so two checkouts can
# run their tests at the same time without hearing each other.
checkout=$(cd "$(dirname "$0")/.." && pwd -P)
number=$((100 + $(printf '%s' "$checkout" | cksum | cut -d' ' -f1) % 400))
state_dir=${ORLENTA_SERVICES_DIR:-${TMPDIR:-/tmp}/orlenta-services-$(id -u)-$number}
display=${ORLENTA_DISPLAY:-:$number}
sound_server=${ORLENTA_SOUND_SERVER:-pulseaudio}

# Started processes, stopped in this order (the reverse of their start).
pulseaudio_processes=(pulse)
pipewire_processes=(pipewire-pulse wireplumber pipewire dbus)
x_processes=(trayer xvfb)

# The quoting of the property list works on both servers: the whole list in
# one kind of quotes, the value in the other.
device_description="device.description='VEK ZR-4'"

sound_environment() {
    mkdir -p "$state_dir/run" "$state_dir/home"
    chmod 700 "$state_dir" "$state_dir/run" "$state_dir/home"
    export XDG_RUNTIME_DIR=$state_dir/run HOME=$state_dir/home
    unset PULSE_SERVER
}

# Waits until the test succeeds, up to five seconds.
wait_for() {
    for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
    "$@" >/dev/null 2>&1
}

# Runs a command in the background and keeps its PID under the given name.
spawn() {
    local name=$1
    shift
    "$@" >"$state_dir/$name.log" 2>&1 &
    echo $! >"$state_dir/$name.pid"
}

# A process that has ended but is not yet reaped (its parent here is init,
# which may take a while) counts as gone.
alive() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
    [[ $state != Z* ]]
}

# A PID file outlives a session that was killed, and its number may since
# have gone to another program: only a process of the expected name is ours.
ours() {
    local pid=$1 name=$2 command
    command=$(ps -o comm= -p "$pid" 2>/dev/null) || return 1
    case $name in
        pulse) [ "$command" = pulseaudio ] ;;
        dbus) [ "$command" = dbus-daemon ] ;;
        xvfb) [ "$command" = Xvfb ] ;;
        *) [ "$command" = "$name" ] ;;
    esac
}

# Stops the named processes by their PIDs and waits until each is gone.
stop_processes() {
    local name pid
    for name in "$@"; do
        [ -f "$state_dir/$name.pid" ] || continue
        pid=$(cat "$state_dir/$name.pid")
        rm -f "$state_dir/$name.pid"
        ours "$pid" "$name" || continue
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 100); do alive "$pid" || break; sleep 0.05; done
        kill -KILL "$pid" 2>/dev/null || true
    done
}

# Leaves nothing of a half-started sound server behind.
fail() {
    echo "$1" >&2
    stop_processes "${pulseaudio_processes[@]}" "${pipewire_processes[@]}"
    exit 1
}

running_server() {
    local name
    name=$(pactl info 2>/dev/null | sed -n 's/^Server Name: //p')
    case "$name" in
    "") ;;
    *PipeWire*) echo pipewire ;;
    *) echo pulseaudio ;;
    esac
}

start_pulseaudio() {
    spawn pulse pulseaudio --daemonize=no --exit-idle-time=-1 --system=false -n \
        -L "module-native-protocol-unix auth-anonymous=1"
}

start_pipewire() {
    # WirePlumber exits at once without a session bus. The bus lives outside
    # the runtime folder, so the tests' programs do not find and use it.
    local bus=$state_dir/bus
    rm -f "$bus"
    dbus-daemon --session --fork --nopidfile --address="unix:path=$bus" --print-pid \
        >"$state_dir/dbus.pid" 2>"$state_dir/dbus.log"
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$bus
    spawn pipewire pipewire
    wait_for test -S "$XDG_RUNTIME_DIR/pipewire-0" || fail "PipeWire did not start; see $state_dir/pipewire.log"
    # Its Bluetooth monitor needs systemd-logind, which containers and
    # chroots lack, and WirePlumber ends when it cannot have it: the tests
    # need no Bluetooth.
    local config=$state_dir/wireplumber-config
    mkdir -p "$config/wireplumber/bluetooth.lua.d"
    echo "-- no Bluetooth monitor" >"$config/wireplumber/bluetooth.lua.d/90-enable-all.lua"
    XDG_CONFIG_HOME=$config spawn wireplumber wireplumber
    spawn pipewire-pulse pipewire-pulse
}

start_sound() {
    sound_environment
    local running
    running=$(running_server)
    [ "$running" = "$sound_server" ] && return 0
    stop_processes "${pulseaudio_processes[@]}" "${pipewire_processes[@]}"
    case "$sound_server" in
    pulseaudio) start_pulseaudio ;;
    pipewire) start_pipewire ;;
    *) echo "ORLENTA_SOUND_SERVER must be pulseaudio or pipewire, not '$sound_server'" >&2; exit 2 ;;
    esac
    wait_for pactl info || fail "The sound server did not start; see the logs in $state_dir"
    pactl load-module module-null-sink sink_name=vek "sink_properties=\"$device_description\"" >/dev/null
    pactl load-module module-remap-source master=vek.monitor source_name=vek_in \
        "source_properties=\"$device_description\"" >/dev/null
    # PipeWire keeps the defaults in the session manager's metadata, which
    # WirePlumber may not have made yet ("Not supported" until then).
    wait_for pactl set-default-sink vek || fail "The sound server took no default sink; see the logs in $state_dir"
    wait_for pactl set-default-source vek_in || fail "The sound server took no default source; see the logs in $state_dir"
}

start_x() {
    if ! xdpyinfo -display "$display" >/dev/null 2>&1; then
        spawn xvfb Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset
        wait_for xdpyinfo -display "$display"
        DISPLAY=$display spawn trayer trayer --edge top --align right --widthtype pixel --width 120 --height 24
    fi
}

case "${1:-}" in
start)
    mkdir -p "$state_dir"
    start_sound >&2
    start_x >&2
    echo "export XDG_RUNTIME_DIR='$state_dir/run' ORLENTA_TEST_HOME='$state_dir/home' ORLENTA_TEST_DISPLAY='$display'"
    ;;
stop) stop_processes "${x_processes[@]}" "${pulseaudio_processes[@]}" "${pipewire_processes[@]}" ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
