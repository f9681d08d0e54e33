#!/usr/bin/env bash
# Sets up and runs the whole test suite; the database tests get their own MariaDB server.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc 2>/dev/null || echo 2)" "$@"
