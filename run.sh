#!/usr/bin/env bash
# Sets up and starts the application with a private MariaDB server on 127.0.0.1.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null

data_home=${XDG_DATA_HOME:-$HOME/.local/share}
server_dir="$data_home/vorantel/mariadb"
mkdir -p "$server_dir"
port_file="$data_home/vorantel/server.port"
password_file="$data_home/vorantel/server.password"
[ -f "$port_file" ] || echo 33406 >"$port_file"
if [ ! -f "$password_file" ]; then
    (umask 077; head -c 18 /dev/urandom | base64 | tr -d '/+=' >"$password_file")
fi
port=$(cat "$port_file")
password=$(cat "$password_file")

if ! "$root/scripts/mariadb.sh" running "$server_dir"; then
    "$root/scripts/mariadb.sh" start "$server_dir" "$port"
    "$root/scripts/mariadb.sh" user "$server_dir" vorantel "$password" >/dev/null
fi

"$root/build/bin/seed-settings" DB_SERVER=127.0.0.1 DB_PORT="$port" DB_USER=vorantel DB_PASSWORD="$password" >/dev/null
exec "$root/build/bin/vorantel" "$@"
