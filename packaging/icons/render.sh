#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the hicolor PNG sizes from the scalable icons (needs rsvg-convert,
# Debian package librsvg2-bin): the application's icon, and the tray's icons
# for a muted microphone and for no card, whose 64-pixel size the program
# also carries (resources/icons). The PNGs are kept in the tree so a build
# needs no SVG renderer.
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256 512; do
    rsvg-convert -w "$size" -h "$size" org.orlenta.Orlenta.svg -o "org.orlenta.Orlenta-$size.png"
done
for state in mic-muted no-card; do
    for size in 16 22 24 32 48 64; do
        rsvg-convert -w "$size" -h "$size" "org.orlenta.Orlenta-$state.svg" \
            -o "org.orlenta.Orlenta-$state-$size.png"
    done
    cp "org.orlenta.Orlenta-$state-64.png" "../../resources/icons/org.orlenta.Orlenta-$state.png"
done
