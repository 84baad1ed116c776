#!/bin/sh
# Regenerates the read-me's pictures in docs/screenshots/ from the real Lumidot.exe, run under Wine
# and Xvfb by the end-to-end harness (tests/windows/e2e). Needs what the e2e preset needs: wine, Xvfb, socat,
# xdotool, ImageMagick and the IPA Gothic font.
set -eu
cd "$(dirname "$0")/.."
for preset in windows e2e; do
    [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset"
    cmake --build --preset "$preset"
done
cd tests/windows/e2e
PYTHONDONTWRITEBYTECODE=1 python3 screenshots.py ../../../docs/screenshots
