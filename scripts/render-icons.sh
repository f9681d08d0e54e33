#!/usr/bin/env bash
# Redraws resources/images/*.png from their SVG sources in resources/images/svg.
# Run it after editing an SVG and commit both files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tool=$(mktemp -d)
trap 'rm -rf "$tool"' EXIT
cmake -S "$root/scripts/rendericons" -B "$tool" >/dev/null
cmake --build "$tool" >/dev/null
QT_QPA_PLATFORM=offscreen "$tool/rendericons" "$root/resources/images/svg" "$root/resources/images"
