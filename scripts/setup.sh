#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing (Debian 12), configures and builds.
#   scripts/setup.sh          -> build/ (the program folder is build/stage)
#   scripts/setup.sh asan     -> build-asan/ under AddressSanitizer + UBSan
#   scripts/setup.sh fuzz     -> build-fuzz/, the fuzz targets only (clang)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}

mapfile -t wanted < <(grep -v '^#' scripts/packages.txt | sed '/^$/d')
missing=()
for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
