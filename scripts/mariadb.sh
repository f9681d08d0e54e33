#!/usr/bin/env bash
# A private MariaDB server on 127.0.0.1, with its data in a folder of its own.
#   mariadb.sh start DATADIR PORT [--owner=PID] [OPTION...]   initialise when new, start, wait until it
#                                     answers; the options go to the server after the defaults. With an
#                                     owner (a test) the server and its folder go when that process ends,
#                                     however it ends, and a server another run left on the folder is
#                                     stopped first
#   mariadb.sh stop DATADIR           stop it (no-op when not running)
#   mariadb.sh running DATADIR        exit 0 when it answers
#   mariadb.sh user DATADIR USER PASSWORD [grant]   create or reset the application user; only with
#                                     "grant" may it grant rights to others (the tests make users)
set -euo pipefail

self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
cmd=${1:?command}
datadir=${2:?data folder}
sock="$datadir/mysqld.sock"
pidfile="$datadir/mysqld.pid"

find_tool() {
    for t in "$@"; do
        command -v "$t" >/dev/null 2>&1 && { command -v "$t"; return; }
        [ -x "/usr/sbin/$t" ] && { echo "/usr/sbin/$t"; return; }
    done
    echo "missing: $*" >&2
    exit 1
}

# A process that ended but that nobody reaped (a container's first process may not) counts as gone.
alive() {
    local state
    [[ "$1" =~ ^[0-9]+$ ]] && [ -r "/proc/$1/stat" ] && read -r _ _ state _ <"/proc/$1/stat" 2>/dev/null && [ "$state" != Z ]
}

ping_server() {
    "$(find_tool mariadb-admin mysqladmin)" --no-defaults --socket="$sock" -uroot ping >/dev/null 2>&1
}

case "$cmd" in
start)
    port=${3:?port}
    shift 3
    owner=""
    case "${1:-}" in --owner=*) owner=${1#--owner=}; shift ;; esac
    # Temporary tables live beside the data, not in the shared /tmp that other programs clean.
    tmpdir="${datadir%/}.tmp"
    mkdir -p "$datadir" "$tmpdir"
    if [ -n "$owner" ] && [ "$(cat "$datadir/owner" 2>/dev/null)" != "$owner" ]; then
        "$self" stop "$datadir"
        rm -f "$datadir/watcher"
    elif ping_server; then
        exit 0
    fi
    if [ ! -d "$datadir/mysql" ]; then
        "$(find_tool mariadb-install-db mysql_install_db)" --no-defaults --datadir="$datadir" \
            --user="$(id -un)" --auth-root-authentication-method=normal >"$datadir/install.log" 2>&1
    fi
    setsid "$(find_tool mariadbd mysqld)" --no-defaults --datadir="$datadir" --socket="$sock" \
        --pid-file="$pidfile" --port="$port" --bind-address=127.0.0.1 --user="$(id -un)" \
        --skip-log-bin --log-error="$datadir/server.log" --tmpdir="$tmpdir" \
        --character-set-server=utf8mb3 --collation-server=utf8mb3_unicode_ci "$@" </dev/null >/dev/null 2>&1 &
    if [ -n "$owner" ]; then
        echo "$owner" >"$datadir/owner"
        # One watch for the owner's life, however often it restarts the server; in a session of its own, as the
        # server is, so that what ends the test's processes leaves it watching.
        if ! alive "$(cat "$datadir/watcher" 2>/dev/null)"; then
            setsid "$self" watch "$datadir" "$owner" </dev/null >/dev/null 2>&1 &
            echo "$!" >"$datadir/watcher"
        fi
    fi
    for _ in $(seq 1 150); do
        ping_server && exit 0
        sleep 0.2
    done
    echo "MariaDB did not start; see $datadir/server.log" >&2
    tail -n 20 "$datadir/server.log" >&2 || true
    exit 1
    ;;
stop)
    if ping_server; then
        "$(find_tool mariadb-admin mysqladmin)" --no-defaults --socket="$sock" -uroot shutdown >/dev/null 2>&1 || true
    fi
    for _ in $(seq 1 100); do
        [ -f "$pidfile" ] || exit 0
        # A server killed outright leaves its pid file behind.
        alive "$(cat "$pidfile")" || { rm -f "$pidfile"; exit 0; }
        sleep 0.1
    done
    [ -f "$pidfile" ] && kill -9 "$(cat "$pidfile")" 2>/dev/null || true
    ;;
running)
    ping_server
    ;;
watch)
    # mariadb.sh watch DATADIR OWNER: once the owner has gone, its server and folder go too; another run taking
    # the folder over, or the folder removed, ends the watch.
    owner=${3:?owner}
    owned() { local current=""; read -r current <"$datadir/owner" 2>/dev/null; [ "$current" = "$owner" ]; }
    while alive "$owner"; do
        owned || exit 0
        sleep 0.5
    done
    owned || exit 0
    "$self" stop "$datadir"
    rm -rf "$datadir" "${datadir%/}.tmp"
    ;;
user)
    user=${3:?user}
    password=${4:?password}
    grant_option=""
    [ "${5:-}" = grant ] && grant_option="WITH GRANT OPTION"
    "$(find_tool mariadb mysql)" --no-defaults --socket="$sock" -uroot <<SQL
CREATE USER IF NOT EXISTS '$user'@'127.0.0.1' IDENTIFIED BY '$password';
ALTER USER '$user'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT ALL ON *.* TO '$user'@'127.0.0.1';
REVOKE GRANT OPTION ON *.* FROM '$user'@'127.0.0.1';
GRANT ALL ON *.* TO '$user'@'127.0.0.1' $grant_option;
CREATE USER IF NOT EXISTS '$user'@'localhost' IDENTIFIED BY '$password';
ALTER USER '$user'@'localhost' IDENTIFIED BY '$password';
GRANT ALL ON *.* TO '$user'@'localhost';
REVOKE GRANT OPTION ON *.* FROM '$user'@'localhost';
GRANT ALL ON *.* TO '$user'@'localhost' $grant_option;
FLUSH PRIVILEGES;
SQL
    ;;
*)
    echo "unknown command $cmd" >&2
    exit 2
    ;;
esac
