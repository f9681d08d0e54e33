#!/usr/bin/env bash
# ./run.sh's server: this account's private MariaDB server on 127.0.0.1, started when it is not running and its
# accounts closed when it is (an earlier version's too), its application user, and the program's settings
# pointed at it.
#   run-server.sh SEEDER     SEEDER: the seed-settings program
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seeder=${1:?seed-settings program}

data_home=${XDG_DATA_HOME:-$HOME/.local/share}
server_dir="$data_home/vorantel/mariadb"
mkdir -p "$server_dir"
port_file="$data_home/vorantel/server.port"
password_file="$data_home/vorantel/server.password"
if [ ! -f "$password_file" ]; then
    (umask 077; head -c 18 /dev/urandom | base64 | tr -d '/+=' >"$password_file")
fi
password=$(cat "$password_file")
kept=$(cat "$port_file" 2>/dev/null || true)
port=$kept

# A server that runs on the folder but does not answer is told by mariadb.sh (status 3), never started twice.
status=0
said=$("$here/mariadb.sh" running "$server_dir" 2>&1) || status=$?
if [ "$status" -eq 1 ]; then
    # A loopback port chosen once and kept, so that several accounts on one computer each run their own server;
    # kept until another program is found holding it while the server is down.
    port=$("$here/server-port.py" "$kept")
    if [ "$port" != "$kept" ]; then
        echo "$port" >"$port_file"
        [ -z "$kept" ] ||
            echo "The server's port $kept is taken by another program; the server now listens on $port (kept in $port_file)." >&2
    fi
    echo "Starting the private MariaDB server ..." >&2
elif [ "$status" -ne 0 ]; then
    echo "$said" >&2
    exit "$status"
fi

# A shop's server keeps a year of sale lines in memory: 1,000,000 lines and their sales take about
# 200 MB with their indexes, and the 128 MB default would read them from disk for every yearly
# report. Not mariadb.sh's own default: the test suite starts many servers at once.
# start also serves a server already running, closing its accounts, and starts no second one.
"$here/mariadb.sh" start "$server_dir" "$port" --innodb-buffer-pool-size=1G
"$here/mariadb.sh" user "$server_dir" vorantel "$password" >/dev/null
# A new port takes the place of the old one in the settings; a server entered there by hand stays.
"$seeder" DB_SERVER=127.0.0.1 --in-place-of="$kept" DB_PORT="$port" DB_USER=vorantel DB_PASSWORD="$password" >/dev/null
