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
# The server's socket lives in a folder of its own under $XDG_RUNTIME_DIR (or /tmp), named from the data folder:
# a socket's path may not pass 107 bytes, and a data folder's path often does.
set -euo pipefail

self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
cmd=${1:?command}
datadir=$(realpath -ms -- "${2:?data folder}")
pidfile="$datadir/mysqld.pid"
# Where servers started by earlier versions of this script listen.
old_sock="$datadir/mysqld.sock"

runtime=${XDG_RUNTIME_DIR:-}
[ -n "$runtime" ] && [ -d "$runtime" ] || runtime=/tmp
sockdir="$runtime/vorantel-mariadb-$(printf '%s' "$(realpath -m -- "$datadir")" | sha256sum | cut -c1-16)"
sock="$sockdir/mysqld.sock"
if [ "${#sock}" -gt 107 ]; then
    sockdir="/tmp/${sockdir##*/}"
    sock="$sockdir/mysqld.sock"
fi

# The socket folder is the user's own, mode 700, or not used at all: another account could otherwise stand in
# for the server. A missing one is fine until the server is started.
sockdir_usable() {
    [ -e "$sockdir" ] || [ -L "$sockdir" ] || return 0
    [ "$(stat -c '%u %a %F' -- "$sockdir")" = "$(id -u) 700 directory" ] && return 0
    echo "mariadb.sh: $sockdir is not a folder of this user's with mode 700; refusing to use it" >&2
    return 1
}

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

# Sets live_sock to the socket the server answers on.
live_sock=""
ping_server() {
    local s
    for s in "$sock" "$old_sock"; do
        if [ -S "$s" ] && "$(find_tool mariadb-admin mysqladmin)" --no-defaults --socket="$s" -uroot ping >/dev/null 2>&1; then
            live_sock=$s
            return 0
        fi
    done
    return 1
}

remove_sockdir() {
    [ -d "$sockdir" ] && [ ! -L "$sockdir" ] && sockdir_usable 2>/dev/null && rm -rf -- "$sockdir" || true
}

sockdir_usable || exit 1

# The pid in the pid file, when that process is still this folder's server (a killed server's pid may be reused).
server_pid() {
    local pid=""
    read -r pid 2>/dev/null <"$pidfile" || return 1
    alive "$pid" && tr '\0' '\n' 2>/dev/null <"/proc/$pid/cmdline" | grep -Fxq -- "--datadir=$datadir" && echo "$pid"
}

case "$cmd" in
start)
    port=${3:?port}
    shift 3
    owner=""
    case "${1:-}" in --owner=*) owner=${1#--owner=}; shift ;; esac
    # The server's file names, the data folder's path included, hold 511 bytes at most, and its longest file is
    # mysql/time_zone_transition_type.frm: a longer path would fail halfway through setting the folder up.
    longest_file=/mysql/time_zone_transition_type.frm
    longest=$((511 - ${#longest_file}))
    length=$(LC_ALL=C; echo "${#datadir}")
    if [ "$length" -gt "$longest" ]; then
        echo "mariadb.sh: the data folder's path is $length bytes long; MariaDB takes $longest at most: $datadir" >&2
        exit 1
    fi
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
    [ -d "$sockdir" ] || mkdir -m 700 -- "$sockdir"
    log="$datadir/server.log"
    logged=$(stat -c %s "$log" 2>/dev/null || echo 0)
    # -w: the process started lives exactly as long as the server, whether setsid had to fork or not.
    setsid -w "$(find_tool mariadbd mysqld)" --no-defaults --datadir="$datadir" --socket="$sock" \
        --pid-file="$pidfile" --port="$port" --bind-address=127.0.0.1 --user="$(id -un)" \
        --skip-log-bin --log-error="$log" --tmpdir="$tmpdir" \
        --character-set-server=utf8mb3 --collation-server=utf8mb3_unicode_ci "$@" </dev/null >/dev/null 2>&1 &
    server=$!
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
        alive "$server" || break
        sleep 0.2
    done
    echo "MariaDB did not start; see $log" >&2
    # What this start wrote: its errors, or its last lines when it named none.
    tail -c +$((logged + 1)) "$log" 2>/dev/null | grep -F '[ERROR]' >&2 ||
        tail -c +$((logged + 1)) "$log" 2>/dev/null | tail -n 20 >&2 || true
    alive "$server" || remove_sockdir
    exit 1
    ;;
stop)
    if ping_server; then
        "$(find_tool mariadb-admin mysqladmin)" --no-defaults --socket="$live_sock" -uroot shutdown >/dev/null 2>&1 || true
    elif pid=$(server_pid); then
        # Listening on a socket of another place (started with another XDG_RUNTIME_DIR): a clean shutdown all the same.
        kill -TERM "$pid" 2>/dev/null || true
    fi
    for _ in $(seq 1 100); do
        [ -f "$pidfile" ] || break
        # A server killed outright leaves its pid file behind.
        alive "$(cat "$pidfile")" || { rm -f "$pidfile"; break; }
        sleep 0.1
    done
    [ -f "$pidfile" ] && kill -9 "$(cat "$pidfile")" 2>/dev/null || true
    remove_sockdir
    ;;
running)
    ping_server
    ;;
watch)
    # mariadb.sh watch DATADIR OWNER: once the owner has gone, its server and folder go too; another run taking
    # the folder over ends the watch, and so does the folder removed, after stopping what still runs on it.
    owner=${3:?owner}
    owned() { local current=""; read -r current <"$datadir/owner" 2>/dev/null; [ "$current" = "$owner" ]; }
    while alive "$owner" && owned; do
        sleep 0.5
    done
    if owned; then
        "$self" stop "$datadir"
        rm -rf "$datadir" "${datadir%/}.tmp"
    elif [ ! -d "$datadir" ]; then
        "$self" stop "$datadir"
    fi
    ;;
user)
    user=${3:?user}
    password=${4:?password}
    grant_option=""
    [ "${5:-}" = grant ] && grant_option="WITH GRANT OPTION"
    ping_server || live_sock=$sock
    "$(find_tool mariadb mysql)" --no-defaults --socket="$live_sock" -uroot <<SQL
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
