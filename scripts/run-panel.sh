#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the control panel from the build's program folder (builds nothing:
# run scripts/setup.sh first). With a card (USB 0C45:1F7D) plugged in, the
# real program folder build/stage is used; without one, build/stage-sim, the
# same folder with the simulated device. Without a desktop session, the panel
# runs on the private Xvfb display of scripts/services.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

card_present() {
    local uevent
    for uevent in /sys/bus/hid/devices/*/uevent /sys/class/hidraw/*/device/uevent; do
        [ -r "$uevent" ] && grep -qi '^HID_ID=0003:00000C45:00001F7D$' "$uevent" && return 0
    done
    return 1
}

if card_present; then
    folder=build/stage
else
    echo "No VEK ZR-4 card (USB 0C45:1F7D) found: running against the simulated device."
    folder=build/stage-sim
fi
if [ ! -x "$folder/Orlenta" ]; then
    echo "$folder/Orlenta is not built yet: run scripts/setup.sh first." >&2
    exit 1
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    services=$(scripts/services.sh start)
    eval "$services"
    export DISPLAY=$ORLENTA_TEST_DISPLAY
    cat <<TEXT
No desktop session: the panel runs on the private X display $DISPLAY (with a system tray and a
PulseAudio server that has a "VEK ZR-4" device). To look at it:
    DISPLAY=$DISPLAY import -window root panel.png      (a screenshot, ImageMagick)
    x11vnc -display $DISPLAY -localhost                  (live, if x11vnc is installed)
Commands from another terminal reach this panel through its runtime folder:
    XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR $folder/Orlenta status
Escape in the panel, or "Exit" in its tray menu, ends it; scripts/services.sh stop ends the
display and the sound server.
TEXT
fi

exec "$folder/Orlenta"
