#!/usr/bin/env bash
# Renders the PNG sizes of the hicolor theme and the window icons from the SVGs.
# Run by hand after editing an SVG (needs rsvg-convert from librsvg2-bin and python3);
# the results are committed, so a build needs neither tool.
set -euo pipefail
cd "$(dirname "$0")"
for app in Tamsel Quorvi; do
    svg=hicolor/scalable/apps/io.github.tamsel.$app.svg
    pngs=()
    for size in 16 32 48 64 128 256; do
        mkdir -p hicolor/${size}x${size}/apps
        png=hicolor/${size}x${size}/apps/io.github.tamsel.$app.png
        rsvg-convert -w $size -h $size "$svg" -o "$png"
        pngs+=("$png")
    done
    # The window icon: one file holding every size, so a title bar never shows a scaled-down 256.
    python3 - "${app,,}.ico" "${pngs[@]}" <<'PY'
import struct, sys
images = [open(path, "rb").read() for path in sys.argv[2:]]
sizes = [struct.unpack(">II", image[16:24]) for image in images]
offset = 6 + 16 * len(images)
out = struct.pack("<HHH", 0, 1, len(images))
for image, (width, height) in zip(images, sizes):
    out += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
open(sys.argv[1], "wb").write(out + b"".join(images))
PY
done
