#!/bin/sh
# Renders the committed PNG icons from palvarin.svg with rsvg-convert (Debian: librsvg2-bin).
# Run it after changing the SVG, then commit the PNGs.
set -eu
cd "$(dirname "$0")"
for size in 48 128 256; do
  rsvg-convert -w "$size" -h "$size" palvarin.svg -o "palvarin-$size.png"
done
