#!/usr/bin/env bash
# Sets up and starts the application with a private MariaDB server on 127.0.0.1.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)

"$root/scripts/install-deps.sh"
# Only the program and its settings seeder: the tests and benchmarks are test.sh's business. The
# first build takes minutes, so its progress stays on the screen.
echo "Building Vorantel in $root/build ..."
"$root/scripts/build.sh" vorantel seed-settings

data_home=${XDG_DATA_HOME:-$HOME/.local/share}
server_dir="$data_home/vorantel/mariadb"
mkdir -p "$server_dir"
port_file="$data_home/vorantel/server.port"
password_file="$data_home/vorantel/server.password"
# A free loopback port chosen once and kept, so that several accounts on one computer each
# run their own server.
if [ ! -s "$port_file" ]; then
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >"$port_file"
fi
if [ ! -f "$password_file" ]; then
    (umask 077; head -c 18 /dev/urandom | base64 | tr -d '/+=' >"$password_file")
fi
port=$(cat "$port_file")
password=$(cat "$password_file")

# A shop's server keeps a year of sale lines in memory: 1,000,000 lines and their sales take about
# 200 MB with their indexes, and the 128 MB default would read them from disk for every yearly
# report. Not mariadb.sh's own default: the test suite starts many servers at once.
# A server that runs on the folder but does not answer is told by mariadb.sh (status 3), never started twice.
status=0
"$root/scripts/mariadb.sh" running "$server_dir" || status=$?
if [ "$status" -eq 1 ]; then
    echo "Starting the private MariaDB server ..."
    "$root/scripts/mariadb.sh" start "$server_dir" "$port" --innodb-buffer-pool-size=1G
    "$root/scripts/mariadb.sh" user "$server_dir" vorantel "$password" >/dev/null
elif [ "$status" -ne 0 ]; then
    exit "$status"
fi

"$root/build/bin/seed-settings" DB_SERVER=127.0.0.1 DB_PORT="$port" DB_USER=vorantel DB_PASSWORD="$password" >/dev/null
exec "$root/build/bin/vorantel" "$@"
