#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every test with the services they need (a sound server with the
# device's sink and source, Xvfb with a tray), then stops those services.
#   scripts/test.sh [default|asan] [extra ctest arguments]
# ORLENTA_SOUND_SERVER=pipewire runs them on PipeWire instead of PulseAudio.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
shift || true

trap 'scripts/services.sh stop' EXIT
# Assigned first: an eval of a failed start would carry on without the servers.
services=$(scripts/services.sh start)
eval "$services"
ctest --preset "$preset" "$@"
