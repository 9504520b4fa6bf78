#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on the X display of scripts/services.sh, which has a tray.
DISPLAY=${ORLENTA_TEST_DISPLAY:?needs the services of scripts/services.sh} QT_QPA_PLATFORM=xcb exec "$@"
