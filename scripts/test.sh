#!/usr/bin/env bash
# Runs every test with the services they need (PulseAudio with the device's
# sink and source, Xvfb with a tray), then stops those services.
#   scripts/test.sh [default|asan] [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
shift || true

eval "$(scripts/services.sh start)"
trap 'scripts/services.sh stop' EXIT
ctest --preset "$preset" "$@"
