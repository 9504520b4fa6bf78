#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the hicolor PNG sizes from the scalable icon (needs rsvg-convert,
# Debian package librsvg2-bin). The PNGs are kept in the tree so a build
# needs no SVG renderer.
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256 512; do
    rsvg-convert -w "$size" -h "$size" org.orlenta.Orlenta.svg -o "org.orlenta.Orlenta-$size.png"
done
