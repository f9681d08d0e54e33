#!/usr/bin/env bash
# Sets up and starts the application with a private MariaDB server on 127.0.0.1.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)

"$root/scripts/install-deps.sh"
# Only the program and its settings seeder: the tests and benchmarks are test.sh's business. The
# first build takes minutes, so its progress stays on the screen.
echo "Building Vorantel in $root/build ..."
"$root/scripts/build.sh" vorantel seed-settings

"$root/scripts/run-server.sh" "$root/build/bin/seed-settings"
exec "$root/build/bin/vorantel" "$@"
