#!/usr/bin/env bash
# Configures (once) and builds the project in build/: everything, or only the targets named.
#   build.sh [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
if [ ! -f "$root/build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$root/build" --parallel "$jobs" "${targets[@]}"
