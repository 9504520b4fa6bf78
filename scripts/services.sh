#!/usr/bin/env bash
# Starts what the tests and a headless run need, and stops it again:
#   scripts/services.sh start   -> prints `export ...` lines for the caller to eval
#   scripts/services.sh stop
# A PulseAudio daemon in user mode with a null sink "VEK ZR-4" and a source of
# the same description (what the device looks like to the sound system), and
# an X server with a system tray for the window tests. State lives in one
# private folder, so nothing of the user's own session is touched.
set -euo pipefail

# Each checkout gets its own display and sound server, so two checkouts can
# run their tests at the same time without hearing each other.
checkout=$(cd "$(dirname "$0")/.." && pwd -P)
number=$((100 + $(printf '%s' "$checkout" | cksum | cut -d' ' -f1) % 400))
state_dir=${ORLENTA_SERVICES_DIR:-${TMPDIR:-/tmp}/orlenta-services-$(id -u)-$number}
display=${ORLENTA_DISPLAY:-:$number}

start_pulse() {
    mkdir -p "$state_dir/run" "$state_dir/home"
    chmod 700 "$state_dir" "$state_dir/run" "$state_dir/home"
    export XDG_RUNTIME_DIR=$state_dir/run HOME=$state_dir/home
    unset PULSE_SERVER
    if ! pactl info >/dev/null 2>&1; then
        pulseaudio --daemonize=no --exit-idle-time=-1 --system=false -n \
            -L "module-native-protocol-unix auth-anonymous=1" \
            -L "module-null-sink sink_name=vek sink_properties=\"device.description='VEK ZR-4'\"" \
            >"$state_dir/pulse.log" 2>&1 &
        echo $! >"$state_dir/pulse.pid"
        for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
        pactl info >/dev/null 2>&1 || { echo "PulseAudio did not start; see $state_dir/pulse.log" >&2; exit 1; }
        pactl load-module module-remap-source master=vek.monitor source_name=vek_in \
            "source_properties=\"device.description='VEK ZR-4'\"" >/dev/null
        pactl set-default-sink vek
        pactl set-default-source vek_in
    fi
}

start_x() {
    if ! xdpyinfo -display "$display" >/dev/null 2>&1; then
        Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$state_dir/xvfb.log" 2>&1 &
        echo $! >"$state_dir/xvfb.pid"
        for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.05; done
        DISPLAY=$display trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
            >"$state_dir/trayer.log" 2>&1 &
        echo $! >"$state_dir/trayer.pid"
    fi
}

stop_all() {
    for name in trayer xvfb pulse; do
        if [ -f "$state_dir/$name.pid" ]; then
            kill "$(cat "$state_dir/$name.pid")" 2>/dev/null || true
            rm -f "$state_dir/$name.pid"
        fi
    done
}

case "${1:-}" in
start)
    mkdir -p "$state_dir"
    start_pulse >&2
    start_x >&2
    echo "export XDG_RUNTIME_DIR='$state_dir/run' ORLENTA_TEST_HOME='$state_dir/home' ORLENTA_TEST_DISPLAY='$display'"
    ;;
stop) stop_all ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
