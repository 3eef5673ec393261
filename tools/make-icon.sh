#!/usr/bin/env bash
# Makes the icon's 256-pixel picture desktop/com.vantorel.Halvex.png from its drawing
# desktop/com.vantorel.Halvex.svg; run it after changing the drawing and commit both.
# Needs rsvg-convert (Debian package librsvg2-bin) and, when present, optipng.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ICON="$ROOT/desktop/com.vantorel.Halvex"
rsvg-convert -w 256 -h 256 "$ICON.svg" -o "$ICON.png"
if command -v optipng >/dev/null 2>&1; then optipng -quiet -o5 -strip all "$ICON.png"; fi
