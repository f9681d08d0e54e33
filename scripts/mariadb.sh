#!/usr/bin/env bash
# A private MariaDB server on 127.0.0.1, with its data in a folder of its own.
#   mariadb.sh start DATADIR PORT [--owner=PID] [--port-file=FILE] [OPTION...]   initialise when new, start, wait
#                                     until it answers; the options go to the server after the defaults. With an
#                                     owner (a test) the server and its folder go when that process ends,
#                                     however it ends, and a server another run left on the folder is
#                                     stopped first. A server already running keeps its port (PORT is then
#                                     unused and may be -). With a port file, the port the server listens on is
#                                     written there once it listens; with - for PORT as well, the port is chosen
#                                     here and named in no process's arguments (which any account reads, and could
#                                     take the port first): the file's while it is free, else a free one
#                                     (server-port.py), and another free one when a start is refused because another
#                                     program took its port meanwhile (5 tries); a port other than the file's is said
#   mariadb.sh port FILE              print the port a port file holds, read as start reads it; nothing when it
#                                     holds none
#   mariadb.sh stop DATADIR           stop it (no-op when not running); fails, saying so, when it runs as another
#                                     account or does not end
#   mariadb.sh running DATADIR        exit 0 when it answers, 1 when no server of this account runs on the folder
#                                     (saying so when a process of another account names it), 3 (saying so) when
#                                     one runs on it but answers neither on its socket nor its port
#   mariadb.sh user DATADIR USER [grant|check] <PASSWORD   create or reset the application user, its password
#                                     read from standard input (an argument any local account could read); only
#                                     with "grant" may it grant rights to others (the tests make users). A user that
#                                     already logs in with that password is left as it is (without "grant"); so is
#                                     one on a server whose owner shut the script out (a password for root), or one
#                                     reached on its port only. Prints "reset" when the user had another
#                                     password, which it now has no longer; with "check", changes nothing and
#                                     prints "reset" when it would
# The server's socket lives in a folder of its own under $XDG_RUNTIME_DIR (or /tmp), named from the data folder:
# a socket's path may not pass 107 bytes, and a data folder's path often does. In /tmp another account may make
# that name first: the start then makes a folder of a name nobody can tell beforehand (mktemp), kept in the data
# folder for the next starts while it is still this account's. A running server is found through
# its pid file, or its process, and its own command line, whatever XDG_RUNTIME_DIR is now; only a process of this
# account counts (stop excepted): any account may start one whose arguments name the folder, and ask whoever
# logs in there for a password in clear. Its port is the one it listens on, found from its own sockets. When its
# socket is gone
# (a logout empties XDG_RUNTIME_DIR) it is still reached on its port, and said to be so when the script never
# closed its accounts.
# Only the application user (and the users the tests make) log in over TCP: the script administers the server
# through its socket, as the account of this computer that runs it (MariaDB's unix_socket authentication).
# Every call to the server has a time limit: one that holds its socket but does not answer (stopped, or stuck on
# its disk) is told, never waited for.
set -euo pipefail

# What the shell can work out itself it does: on a busy computer every process started waits for a core, and a
# step runs this script several times.

# Sets normal_path to the path made absolute, without . and .. parts or doubled and trailing slashes, following no
# link (as realpath -ms does).
normal() {
    local rest=$1 part out=()
    if [[ "$rest" != /* ]]; then
        cd -P . && rest="$PWD/$rest"
    fi
    while [ -n "$rest" ]; do
        part=${rest%%/*}
        if [[ "$rest" == */* ]]; then rest=${rest#*/}; else rest=""; fi
        case "$part" in
        "" | .) ;;
        ..) [ ${#out[@]} -eq 0 ] || unset 'out[-1]' ;;
        *) out+=("$part") ;;
        esac
    done
    local IFS=/
    normal_path="/${out[*]}"
}

# Sets parent_path to the folder a path names its file in (as dirname does).
parent() {
    local path=$1
    while [[ "$path" == ?*/ ]]; do path=${path%/}; done
    case "$path" in
    / | //) parent_path=$path; return ;;
    */*) path=${path%/*} ;;
    *) parent_path=.; return ;;
    esac
    while [[ "$path" == ?*/ ]]; do path=${path%/}; done
    parent_path=${path:-/}
}

# A pause without a process of its own: a read that waits on a pipe nobody writes.
nap_fd=""
nap() {
    [ -n "$nap_fd" ] || exec {nap_fd}<> <(:)
    read -r -t "$1" -u "$nap_fd" _ || true
}

normal "$0"
self=$normal_path
cmd=${1:?command}
normal "${2:?data folder}"
datadir=$normal_path
pidfile="$datadir/mysqld.pid"
user_prompt='\u'
me=${user_prompt@P}

# The server's socket folder, named from the data folder's real path.
if [ "$cmd" = start ] || [ "$cmd" = stop ]; then
    runtime=${XDG_RUNTIME_DIR:-}
    [ -n "$runtime" ] && [ -d "$runtime" ] || runtime=/tmp
    folder_hash=$(printf '%s' "$(realpath -m -- "$datadir")" | sha256sum)
    sockdir="$runtime/vorantel-mariadb-${folder_hash:0:16}"
    sock="$sockdir/mysqld.sock"
    if [ "${#sock}" -gt 107 ]; then
        sockdir="/tmp/${sockdir##*/}"
        sock="$sockdir/mysqld.sock"
    fi
fi
# Sets line to a file's first line; empty when there is none, or no file.
first_line() {
    line=""
    read -r line 2>/dev/null <"$1" || true
}

# Sets held to the port a port file holds: the file as start writes it, a port number and its line end; else empty.
# Blanks, a CR or another line make it an edited file, which is no port another program took, and is written over.
port_in() {
    held=""
    # read stops at a NUL (status 0), which no port file holds.
    IFS= read -r -d '' held 2>/dev/null <"$1" && held=""
    while [[ "$held" == *$'\n' ]]; do held=${held%$'\n'}; done
    [[ "$held" =~ ^[1-9][0-9]{0,4}$ ]] && [ "$held" -le 65535 ] || held=""
}

# Made by a start that found the folder's name above taken in /tmp, and named in the data folder.
made_folder_file="$datadir/socket.folder"
first_line "$made_folder_file"
made_folder=$line
[[ "$made_folder" =~ ^/tmp/vorantel-mariadb-[A-Za-z0-9]{10}$ ]] || made_folder=""

# A tool's path; a missing one is said with the Debian package that brings it, and ends the script.
find_tool() {
    for t in "$@"; do
        command -v "$t" >/dev/null 2>&1 && { command -v "$t"; return; }
        [ -x "/usr/sbin/$t" ] && { echo "/usr/sbin/$t"; return; }
    done
    local package install="apt-get install"
    case "$1" in
    ss) package=iproute2 ;;
    mariadbd | mariadb-install-db) package=mariadb-server ;;
    *) package=mariadb-client ;;
    esac
    [ "$UID" -eq 0 ] || install="sudo $install"
    echo "mariadb.sh: $1 is not installed; install it with: $install $package" >&2
    exit 1
}

# A process that ended but that nobody reaped (a container's first process may not) counts as gone.
alive() {
    local state
    [[ "$1" =~ ^[0-9]+$ ]] && [ -r "/proc/$1/stat" ] && read -r _ _ state _ <"/proc/$1/stat" 2>/dev/null && [ "$state" != Z ]
}

# Sets option_value to the value the server takes for an option of its command line (the last one given), from
# server_args.
option() {
    local arg
    option_value=""
    for arg in "${server_args[@]}"; do
        case "$arg" in "--$1="*) option_value=${arg#"--$1="} ;; esac
    done
}

# Whether the process is this data folder's server (a killed server's pid may be any process's now); sets
# server_args to its command line, an argument an element.
server_args=()
is_server() {
    alive "$1" || return 1
    mapfile -d '' -t server_args 2>/dev/null <"/proc/$1/cmdline" || return 1
    option datadir
    [ -n "$option_value" ] || return 1
    normal "$option_value"
    [ "$normal_path" = "$datadir" ] || return 1
    option pid-file
    [ -n "$option_value" ] || return 1
    normal "$option_value"
    [ "$normal_path" = "$pidfile" ]
}

# Whether the process runs as this account (its /proc folder is its account's).
mine() {
    [ -O "/proc/$1" ]
}

# Sets server_port and server_host to where the process listens on TCP, from its own listening sockets (asked of
# the kernel, listening sockets alone, and matched by the inodes of its open files; another account's are closed to
# this one): none when it listens on none, whichever form of --skip-networking was given last. Not its command line,
# which a server started by an earlier version has the port on and one started now has not.
listening() {
    local links inodes=() ss address rest inode ours
    server_port=""
    server_host=""
    links=$(stat -c %N -- "/proc/$1/fd/"* 2>/dev/null) || true
    while [[ "$links" =~ socket:\[([0-9]+)\] ]]; do
        inodes+=(" ino:${BASH_REMATCH[1]} ")
        links=${links#*"${BASH_REMATCH[0]}"}
    done
    [ ${#inodes[@]} -gt 0 ] || return 0
    ss=$(find_tool ss) || exit 1
    # Listening sockets alone ("state listening": -l asks for closed ones too, which the kernel finds by walking
    # every connection), and twice when none is found: a listing made while others come and go may pass one over.
    for _ in 1 2; do
        while read -r _ _ address _ rest; do
            rest=" $rest "
            ours=""
            for inode in "${inodes[@]}"; do
                [[ "$rest" != *"$inode"* ]] || ours=yes
            done
            [ -n "$ours" ] || continue
            case "$address" in
            # A wildcard listener (0.0.0.0, a dual-stack ::) takes connections to 127.0.0.1, an IPv6-only one to ::1
            # alone; IPv4 in IPv6 is IPv4.
            0.0.0.0:* | \*:*) server_host=127.0.0.1 ;;
            "[::]:"*) [[ "$rest" == *" v6only:1 "* ]] && server_host=::1 || server_host=127.0.0.1 ;;
            "[::1]:"*) server_host=::1 ;;
            "[::ffff:"*) server_host=${address#"[::ffff:"} && server_host=${server_host%%]*} ;;
            [0-9]*) server_host=${address%:*} ;;
            *) continue ;;
            esac
            server_host=${server_host%%%*}
            server_port=${address##*:}
            return 0
        done < <("$ss" -Htne state listening 2>/dev/null)
    done
}

# Sets server to the pid of the folder's server of this account (with "any", of any account), server_sock,
# server_port and server_host to where it listens (no port with networking skipped; not looked up yet with
# port_later set, until its socket does not answer). Sets foreign to a process of another account that names the
# folder.
foreign=""
port_later=""
find_server() {
    local pid f
    first_line "$pidfile"
    pid=$line
    if ! { is_server "$pid" && mine "$pid"; }; then
        # No pid file (the folder removed, or the server not that far yet): its process still names the folder.
        pid=""
        for f in $(grep -lzxF -e "--datadir=$datadir" /proc/[0-9]*/cmdline 2>/dev/null || true); do
            f=${f#/proc/}
            f=${f%/cmdline}
            if is_server "$f"; then
                if mine "$f"; then
                    pid=$f
                    break
                fi
                [ -n "$foreign" ] || foreign=$f
            fi
        done
        if [ -z "$pid" ]; then
            [ "${1:-}" = any ] && [ -n "$foreign" ] || return 1
            pid=$foreign
        fi
    fi
    server=$pid
    option socket
    server_sock=$option_value
    server_port=""
    server_host=""
    [ -n "$port_later" ] || listening "$server"
}

# A process of another account names the folder: never this account's server, so never asked anything.
claimed() {
    echo "mariadb.sh: a process of another account, $(stat -c %U "/proc/$foreign" 2>/dev/null)" \
        "($(cat "/proc/$foreign/comm" 2>/dev/null), process $foreign), names $datadir as its data folder;" \
        "it is no server of this account's and is left alone" >&2
}

# A folder nobody but this user can put a socket in.
private_folder() {
    local owner kind mode
    read -r owner kind mode <<<"$(stat -c '%u %F %a' -- "$1" 2>/dev/null)" || return 1
    [ "$owner" = "$UID" ] && [ "$kind" = directory ] && [ $((8#$mode & 8#022)) -eq 0 ]
}

# bounded SECONDS COMMAND...: the command's status, or 124 when it ran out of time.
bounded() {
    timeout -k 1 "$@"
}

ping_on() {
    bounded 4 "$(find_tool mariadb-admin mysqladmin)" --no-defaults --connect-timeout=4 --user="$me" "$@" ping \
        >/dev/null 2>&1
}

# Finds the folder's server and sets live_sock to its socket when that answers, else live_port to its port when
# that answers (a refused login is an answer too); fails when no server runs on the folder. A socket in a folder
# others may write is set aside in unsafe_sock.
live_sock=""
live_port=""
unsafe_sock=""
reach() {
    find_server || return 1
    local status=0
    if [ -n "$server_sock" ] && [ -S "$server_sock" ]; then
        parent "$server_sock"
        if ! private_folder "$parent_path"; then
            unsafe_sock=$server_sock
        elif ping_on --socket="$server_sock"; then
            live_sock=$server_sock
            return 0
        else
            status=$?
        fi
    fi
    [ -z "$port_later" ] || listening "$server"
    # A socket that took the whole time is a server that does not answer at all: the port would only wait as long.
    if [ "$status" -ne 124 ] && [ -n "$server_port" ] && [ "$server_port" != 0 ] &&
        MYSQL_TCP_PORT=$server_port ping_on --protocol=tcp --host="${server_host:-127.0.0.1}"; then
        live_port=$server_port
    fi
    return 0
}

# What removes a socket's folder that others may write, for a message: a folder this account cannot remove is
# another account's to remove.
remove_folder() {
    if [ -O "$1" ] || [ -L "$1" ]; then
        echo "remove its folder with rm -r -- $(printf '%q' "$1")"
    else
        echo "have its owner, $(stat -c %U -- "$1" 2>/dev/null), or root remove the folder $(printf '%q' "$1")"
    fi
}

# The commands that stop the server and start it again, for a message; with a socket's folder others may write,
# its removal in between, as start refuses that folder.
restart_commands() {
    echo "stop it with $(printf '%q' "$self") stop $(printf '%q' "$datadir"),${1:+ $(remove_folder "$1"),}" \
        "and start it again with $(printf '%q' "$self") start $(printf '%q' "$datadir") ${server_port:-PORT}"
}

# Left by close_accounts: a server reached on its port only then needs no word about its accounts.
closed_mark="$datadir/accounts.closed"

# A server reached on its port only cannot be administered: its accounts are as its start left them, which for a
# folder this script never closed (an earlier version's) means root with no password for every local account.
port_only() {
    [ -f "$closed_mark" ] && return 0
    if [ -n "$unsafe_sock" ]; then
        echo "mariadb.sh: the server of $datadir answers on its port $live_port; its socket's folder" \
            "$(dirname -- "$unsafe_sock") may be written by other accounts, so it is not used." >&2
    else
        echo "mariadb.sh: the server of $datadir answers on its port $live_port only; its socket" \
            "${server_sock:-(none)} is gone (with the login session that started it)." >&2
    fi
    echo "mariadb.sh: its accounts could not be checked, and any left open stay open (a folder set up by an earlier" \
        "version lets every account of this computer in as root with no password);" \
        "$(restart_commands "$([ -z "$unsafe_sock" ] || dirname -- "$unsafe_sock")")" >&2
}

unreachable() {
    echo "mariadb.sh: a server (process $server) runs on $datadir but answers neither on its socket" \
        "(${server_sock:-none}) nor on its port (${server_port:-none}); stop it with" \
        "$(printf '%q' "$self") stop $(printf '%q' "$datadir")" >&2
}

# Whether the folder is this account's, mode 700, and no link.
own_folder() {
    [ "$(stat -c '%u %F %a' -- "$1" 2>/dev/null)" = "$UID directory 700" ]
}

remove_sockdir() {
    if own_folder "$1"; then rm -rf -- "$1" || true; fi
}

# Logs in through the socket as this computer's account (unix_socket), or as root: a folder set up by an earlier
# version of this script has only root, with an empty password, until it is closed. Fails when neither will do
# (their owner gave them a password). Sets server_version.
admin_user=""
server_version=""
admin_login() {
    local u said
    [ -z "$admin_user" ] || return 0
    for u in "$me" root; do
        # An anonymous account takes any name: only the account itself will do.
        said=$(bounded 10 "$(find_tool mariadb mysql)" --no-defaults --connect-timeout=10 --socket="$live_sock" \
            --user="$u" -N -B -e "SELECT CURRENT_USER(), VERSION()" 2>/dev/null) || true
        if [ "${said%%$'\t'*}" = "$u@localhost" ]; then
            admin_user=$u
            server_version=${said#*$'\t'}
            return 0
        fi
    done
    return 1
}

# The client, through the socket, as the account admin_login found.
admin() {
    admin_login || return 1
    bounded 60 "$(find_tool mariadb mysql)" --no-defaults --connect-timeout=10 --socket="$live_sock" \
        --user="$admin_user" "$@"
}

shut_out() {
    local who="neither $me nor root logs"
    [ "$me" != root ] || who="root does not log"
    echo "mariadb.sh: $who in to the server of $datadir through its socket $live_sock (a password was set)$1" >&2
}

# No account with an empty password (an earlier version made root at every local address and anonymous
# accounts that way): root and this account log in only through the socket as themselves, the others go. Every
# alternative way in counts (IDENTIFIED VIA ... OR ...: in auth_or, {} stands for the top-level pair).
close_accounts() {
    local accounts account sql="" major minor
    IFS=.- read -r major minor _ <<<"$server_version"
    if ! [[ "$major.$minor" =~ ^[0-9]+\.[0-9]+$ ]] || [ "$major" -lt 10 ] ||
        { [ "$major" -eq 10 ] && [ "$minor" -lt 6 ]; }; then
        echo "mariadb.sh: the server of $datadir is $server_version; checking its accounts needs MariaDB 10.6 or later" \
            "(for JSON_TABLE)" >&2
        return 1
    fi
    accounts=$(admin -N -B -e "SELECT CONCAT(QUOTE(User), '@', QUOTE(Host)) FROM mysql.global_priv g
        WHERE IFNULL(JSON_VALUE(Priv, '$.is_role'), 'false') NOT IN ('true', '1')
          AND IFNULL(JSON_VALUE(Priv, '$.account_locked'), 'false') NOT IN ('true', '1')
          AND (IFNULL(JSON_VALUE(Priv, '$.plugin'), 'mysql_native_password') IN ('mysql_native_password', 'mysql_old_password')
               AND IFNULL(JSON_VALUE(Priv, '$.authentication_string'), '') = ''
            OR EXISTS (SELECT 1 FROM JSON_TABLE(g.Priv, '$.auth_or[*]' COLUMNS (plugin VARCHAR(64) PATH '$.plugin',
                                                                                 auth TEXT PATH '$.authentication_string')) way
                       WHERE way.plugin IN ('mysql_native_password', 'mysql_old_password') AND IFNULL(way.auth, '') = ''))") ||
        return 1
    while IFS= read -r account; do
        case "$account" in
        "") ;;
        "'root'@'localhost'" | "'$me'@'localhost'") sql+="ALTER USER $account IDENTIFIED VIA unix_socket;" ;;
        *) sql+="DROP USER $account;" ;;
        esac
    done <<<"$accounts"
    if [ "$me" != root ]; then
        sql+="CREATE USER IF NOT EXISTS '$me'@'localhost' IDENTIFIED VIA unix_socket;"
        sql+="GRANT ALL ON *.* TO '$me'@'localhost' WITH GRANT OPTION;"
    fi
    [ -z "$sql" ] || admin -e "$sql" || return 1
    : >"$closed_mark"
}

# Serves the server found on live_sock, its accounts closed; one whose owner shut this script out still serves.
serve() {
    if admin_login; then
        close_accounts
        return
    fi
    shut_out ", so its accounts were not closed: any with an empty password stays open"
    way_back "to let this script close them" "$(printf '%q' "$self") start $(printf '%q' "$datadir") ${server_port:-${port:-PORT}}"
}

# Writes the port the server listens on to the port file, when one was given and it holds another; empties it for a
# server that listens on no port.
keep_port() {
    [ -n "$port_file" ] || return 0
    if ! [[ "$1" =~ ^[1-9][0-9]*$ ]]; then
        [ ! -s "$port_file" ] || : >"$port_file"
        return 0
    fi
    port_in "$port_file"
    [ "$held" = "$1" ] || printf '%s\n' "$1" >"$port_file"
}

# A free loopback port, the one given while it is free; on standard input, as no process's argument.
choose_port() {
    "${self%/*}/server-port.py" - <<<"$1"
}

# Says where a server started on a chosen port listens, when that is not the port its file kept.
new_port() {
    [ -n "$chosen" ] && [ -n "$server_port" ] || return 0
    if [ -n "$kept" ] && [ "$server_port" != "$kept" ]; then
        echo "The server's port $kept is taken by another program; the server now listens on $server_port" \
            "(kept in $port_file)." >&2
    elif [ -z "$kept" ] && [ -n "$set_up" ]; then
        echo "$port_file holds no port; the server now listens on $server_port (kept there)." >&2
    elif [ -z "$kept" ] && [ "$server_port" != "$chosen" ]; then
        echo "The port $chosen chosen for the server was taken by another program as it started; the server now" \
            "listens on $server_port (kept in $port_file)." >&2
    fi
}

# The mysql_native_password hash of a password, computed here: the password itself never enters a statement, so
# no quote or backslash in it is read as SQL, whatever the server's sql_mode.
native_hash() {
    local hex
    hex=$(printf '%s' "$1" | sha1sum)
    hex=$(printf '%b' "$(sed 's/../\\x&/g' <<<"${hex%% *}")" | sha1sum)
    hex=${hex%% *}
    printf '*%s' "${hex^^}"
}

# How to let this script in again, for a message, and the command to run after: through the socket as this
# account, or, on a folder set up by an earlier version (which has no such account), as its root.
way_back() {
    local client
    client="$(find_tool mariadb mysql) --socket=$(printf '%q' "$live_sock")"
    echo "mariadb.sh: $1, log in with
  $client --user=$me -p
and give $me back its login through the socket, its password kept:
  ALTER USER '$me'@'localhost' IDENTIFIED VIA unix_socket OR mysql_native_password USING PASSWORD('its password');" >&2
    [ "$me" = root ] || echo "or, when $me has no account there (a folder set up by an earlier version), log in as its root
with root's password:
  $client --user=root -p
and give $me an account of its own:
  CREATE USER IF NOT EXISTS '$me'@'localhost' IDENTIFIED VIA unix_socket;
  GRANT ALL ON *.* TO '$me'@'localhost' WITH GRANT OPTION;" >&2
    echo "then run
  $2
again." >&2
}

case "$cmd" in
start)
    port=${3:?port}
    shift 3
    owner=""
    port_file=""
    while :; do
        case "${1:-}" in
        --owner=*) owner=${1#--owner=}; shift ;;
        --port-file=*) port_file=${1#--port-file=}; shift ;;
        *) break ;;
        esac
    done
    # The server's file names, the data folder's path included, hold 511 bytes at most, and its longest file is
    # mysql/time_zone_transition_type.frm: a longer path would fail halfway through setting the folder up.
    longest_file=/mysql/time_zone_transition_type.frm
    longest=$((511 - ${#longest_file}))
    length=$(LC_ALL=C; echo "${#datadir}")
    if [ "$length" -gt "$longest" ]; then
        echo "mariadb.sh: the data folder's path is $length bytes long; MariaDB takes $longest at most: $datadir" >&2
        exit 1
    fi
    if [ -e "$datadir" ] && ! { [ -d "$datadir" ] && [ -w "$datadir" ] && [ -x "$datadir" ]; }; then
        echo "mariadb.sh: the data folder $datadir cannot be written" >&2
        exit 1
    fi
    first_line "$datadir/owner"
    if [ -n "$owner" ] && [ "$line" != "$owner" ]; then
        "$self" stop "$datadir"
        rm -f "$datadir/watcher"
    elif reach; then
        # Never a second server on a folder: InnoDB would refuse it, after half a minute of trying.
        if [ -n "$live_sock" ]; then
            keep_port "$server_port"
            serve
            exit 0
        fi
        if [ -n "$live_port" ]; then
            keep_port "$live_port"
            port_only
            exit 0
        fi
        unreachable
        exit 1
    fi
    kept=""
    chosen=""
    if [ "$port" = - ] && [ -n "$port_file" ]; then
        # Only a port number counts as kept: an emptied or edited file is no port another program took.
        port_in "$port_file"
        kept=$held
        port=$(choose_port "$kept") || exit 1
        chosen=$port
    elif ! [[ "$port" =~ ^[1-9][0-9]*$ ]]; then
        echo "mariadb.sh: no server runs on $datadir, and $port is no port to start one on" >&2
        exit 1
    fi
    # The socket's folder is this user's, mode 700, and no link, or the server is not started there: another
    # account could otherwise stand in for it. mkdir makes it with that mode or fails, so nobody can slip in between.
    mkdir -m 700 -- "$sockdir" 2>/dev/null || true
    made_here=""
    if ! own_folder "$sockdir"; then
        # Where only this account writes, what stands there is its own doing, and its own to remove.
        parent "$sockdir"
        if private_folder "$parent_path"; then
            echo "mariadb.sh: $sockdir is not a folder of this user's with mode 700; refusing to use it;" \
                "$(remove_folder "$sockdir") and start again" >&2
            exit 1
        fi
        # In /tmp any account may make the name first, as it knows the data folder's path: a name of its own then.
        # One made earlier is used again only while still this account's (its name may be known by now).
        if [ -n "$made_folder" ] && own_folder "$made_folder"; then
            sockdir=$made_folder
        else
            sockdir=$(mktemp -d /tmp/vorantel-mariadb-XXXXXXXXXX)
            made_here=yes
        fi
        sock="$sockdir/mysqld.sock"
    fi
    # A start that fails stops the server it started (it could not tell where that listens, or close its accounts),
    # and leaves no socket folder of a server that is not running. Without its port: the lookup may be what failed.
    launched=""
    trap 'status=$?; if [ "$status" -ne 0 ]; then port_later=yes; [ -z "$launched" ] || "$self" stop "$datadir" || true;
        find_server || remove_sockdir "$sockdir"; fi' EXIT
    # The data folder and its temporary folder are this account's alone whatever the umask; folders above them keep its mode.
    if [ ! -d "$datadir" ] && ! made=$(mkdir -p -m 700 -- "$datadir" 2>&1); then
        echo "mariadb.sh: the data folder $datadir cannot be made: $made" >&2
        exit 1
    fi
    [ -z "$made_here" ] || printf '%s\n' "$sockdir" >"$made_folder_file"
    set_up=""
    [ ! -d "$datadir/mysql" ] || set_up=yes
    if [ -z "$set_up" ]; then
        # No --user: the set-up tool passes it to a chown on the unquoted path, which a space breaks, and the
        # folder is this account's already. No test database, whose grants are open to anonymous accounts.
        if ! "$(find_tool mariadb-install-db mysql_install_db)" --no-defaults --datadir="$datadir" \
            --auth-root-authentication-method=socket --auth-root-socket-user="$me" --skip-test-db \
            >"$datadir/install.log" 2>&1; then
            echo "mariadb.sh: setting up $datadir failed:" >&2
            cat "$datadir/install.log" >&2
            exit 1
        fi
    fi
    # Temporary tables live beside the data, not in the shared /tmp that other programs clean.
    tmpdir="${datadir%/}.tmp"
    if [ ! -d "$tmpdir" ] && ! made=$(mkdir -p -m 700 -- "$tmpdir" 2>&1); then
        echo "mariadb.sh: the server's temporary folder $tmpdir cannot be made: $made" >&2
        exit 1
    fi
    log="$datadir/server.log"
    for try in 1 2 3 4 5; do
        logged=$(stat -c %s "$log" 2>/dev/null || echo 0)
        # Run between choosing the port and starting the server (the tests take the port there), given the port
        # on its standard input.
        [ -z "${VORANTEL_START_HOOK:-}" ] || "$VORANTEL_START_HOOK" <<<"$port"
        # The port in the server's environment, which only this account can read. -w: the process started lives
        # exactly as long as the server, whether setsid had to fork or not.
        MYSQL_TCP_PORT=$port setsid -w "$(find_tool mariadbd mysqld)" --no-defaults --datadir="$datadir" \
            --socket="$sock" --pid-file="$pidfile" --bind-address=127.0.0.1 --user="$me" \
            --skip-log-bin --log-error="$log" --tmpdir="$tmpdir" \
            --character-set-server=utf8mb3 --collation-server=utf8mb3_unicode_ci "$@" </dev/null >/dev/null 2>&1 &
        server=$!
        launched=yes
        if [ -n "$owner" ]; then
            echo "$owner" >"$datadir/owner"
            # One watch for the owner's life, however often it restarts the server; in a session of its own, as
            # the server is, so that what ends the test's processes leaves it watching.
            first_line "$datadir/watcher"
            if ! alive "$line"; then
                setsid "$self" watch "$datadir" "$owner" </dev/null >/dev/null 2>&1 &
                echo "$!" >"$datadir/watcher"
            fi
        fi
        deadline=$((SECONDS + 60))
        while [ "$SECONDS" -lt "$deadline" ]; do
            # Asked once its socket is there: each question is a client started.
            while [ ! -S "$sock" ] && alive "$server" && [ "$SECONDS" -lt "$deadline" ]; do
                nap 0.05
            done
            # Its socket only: the port may be another program's, which the server then fails to bind.
            if ping_on --socket="$sock"; then
                live_sock=$sock
                # The port it listens on, from the server itself: the options may have changed it, or skipped it.
                find_server || server_port=""
                keep_port "$server_port"
                new_port
                serve
                exit 0
            fi
            alive "$server" || break
            nap 0.05
        done
        # A chosen port another program took before the server bound it: any other free one will do.
        if [ -n "$chosen" ] && [ "$try" -lt 5 ] && ! alive "$server" &&
            tail -c +$((logged + 1)) "$log" 2>/dev/null | grep -F 'Bind on TCP/IP port' >/dev/null; then
            port=$(choose_port "") || exit 1
            continue
        fi
        break
    done
    echo "MariaDB did not start; see $log" >&2
    # What this start wrote: its errors, or its last lines when it named none.
    tail -c +$((logged + 1)) "$log" 2>/dev/null | grep -F '[ERROR]' >&2 ||
        tail -c +$((logged + 1)) "$log" 2>/dev/null | tail -n 20 >&2 || true
    exit 1
    ;;
stop)
    # Its port is no concern here.
    port_later=yes
    if find_server any; then
        # Another account's server takes no signal from this one: waiting for it to end would never end.
        if ! kill -0 "$server" 2>/dev/null && alive "$server"; then
            echo "mariadb.sh: the server of $datadir runs as another account ($(stat -c %U "/proc/$server" 2>/dev/null)," \
                "process $server) and cannot be stopped from this one; stop it as that account, or as root, with" \
                "$(printf '%q' "$self") stop $(printf '%q' "$datadir")" >&2
            exit 1
        fi
        kill -TERM "$server" 2>/dev/null || true
        for ((i = 0; i < 500; i++)); do
            is_server "$server" || break
            nap 0.02
        done
        # Its shutdown hangs: it is still this folder's server, checked just now.
        if is_server "$server"; then
            kill -KILL "$server" 2>/dev/null || true
            for ((i = 0; i < 50; i++)); do
                alive "$server" || break
                nap 0.1
            done
            # Stuck in the kernel (a disk that does not answer): only its end or a restart of the computer helps.
            if alive "$server"; then
                echo "mariadb.sh: the server of $datadir (process $server) did not end when killed" >&2
                exit 1
            fi
        fi
        # A socket folder of another login session (started with another XDG_RUNTIME_DIR).
        parent "${server_sock:-/}"
        [ "${parent_path##*/}" = "${sockdir##*/}" ] && remove_sockdir "$parent_path"
    fi
    # A killed server leaves its pid file, naming a process that may be anyone's now.
    first_line "$pidfile"
    is_server "$line" || rm -f -- "$pidfile"
    remove_sockdir "$sockdir"
    # The one made in place of a name taken, named in the data folder.
    [ -z "$made_folder" ] || remove_sockdir "$made_folder"
    ;;
port)
    port_in "$2"
    [ -z "$held" ] || printf '%s\n' "$held"
    ;;
running)
    # Its port only when its socket does not answer.
    port_later=yes
    if ! reach; then
        [ -z "$foreign" ] || claimed
        exit 1
    fi
    [ -n "$live_sock" ] && exit 0
    if [ -n "$live_port" ]; then
        port_only
        exit 0
    fi
    unreachable
    exit 3
    ;;
watch)
    # mariadb.sh watch DATADIR OWNER: once the owner has gone, its server and folder go too; another run taking
    # the folder over ends the watch, and so does the folder removed, after stopping what still runs on it.
    owner=${3:?owner}
    owned() { first_line "$datadir/owner" && [ "$line" = "$owner" ]; }
    while alive "$owner" && owned; do
        nap 0.5
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
    grant_option=""
    check=""
    case "${4:-}" in
    "") ;;
    grant) grant_option="WITH GRANT OPTION" ;;
    check) check=1 ;;
    *)
        echo "mariadb.sh: user takes its password on standard input, not as an argument" >&2
        exit 2
        ;;
    esac
    password=$(cat)
    if [ -z "$password" ]; then
        echo "mariadb.sh: no password for $user on standard input" >&2
        exit 2
    fi
    if ! reach; then
        echo "mariadb.sh: no server of this account runs on $datadir" >&2
        [ -z "$foreign" ] || claimed
        exit 1
    fi
    # An application user that already logs in with this password is all that was asked, on this account's server
    # only. The client takes the password and the port from its environment, which only this account may read, and
    # loads no plugin (from a folder that cannot hold one): asked to switch to a clear-text login
    # (mysql_clear_password, dialog, or a public key the other side chose), it refuses rather than send the password.
    logs_in() {
        [ -n "$server_port" ] && [ "$server_port" != 0 ] &&
            MYSQL_PWD=$password MYSQL_TCP_PORT=$server_port bounded 10 "$(find_tool mariadb mysql)" --no-defaults \
                --connect-timeout=10 --plugin-dir=/dev/null --protocol=tcp --host="${server_host:-127.0.0.1}" \
                --user="$user" -N -B -e "SELECT 1" >/dev/null 2>&1
    }
    if [ -z "$grant_option" ] && { [ -n "$live_sock" ] || [ -n "$live_port" ]; } && logs_in; then
        exit 0
    fi
    if [ -z "$live_sock" ]; then
        if [ -n "$unsafe_sock" ]; then
            echo "mariadb.sh: the folder of the socket $unsafe_sock of the server of $datadir may be written by" \
                "other accounts, and the server is administered only through a socket of its own;" \
                "$(restart_commands "$(dirname -- "$unsafe_sock")")" >&2
        elif [ -n "$live_port" ]; then
            echo "mariadb.sh: the server of $datadir answers on port $live_port but not on its socket $server_sock" \
                "(gone with the login session that started it), and it is administered only through its socket;" \
                "$(restart_commands)" >&2
        else
            unreachable
        fi
        exit 1
    fi
    if ! admin_login; then
        # Shut out by its owner.
        logs_in && exit 0
        shut_out ", and $user does not log in over TCP with that password"
        way_back "to let this script make it" "this command"
        exit 1
    fi
    hash=$(native_hash "$password")
    # First whether it had another password (set by hand on the server, or given before the one now).
    had_another="SELECT 'reset' FROM mysql.global_priv WHERE User = '$user' AND Host IN ('127.0.0.1', 'localhost')
  AND IFNULL(JSON_VALUE(Priv, '\$.authentication_string'), '') <> '$hash' LIMIT 1;"
    if [ -n "$check" ]; then
        admin -N -B -e "$had_another"
        exit
    fi
    replaced=$(admin -N -B <<SQL
$had_another
CREATE USER IF NOT EXISTS '$user'@'127.0.0.1' IDENTIFIED BY PASSWORD '$hash';
ALTER USER '$user'@'127.0.0.1' IDENTIFIED BY PASSWORD '$hash';
GRANT ALL ON *.* TO '$user'@'127.0.0.1';
REVOKE GRANT OPTION ON *.* FROM '$user'@'127.0.0.1';
GRANT ALL ON *.* TO '$user'@'127.0.0.1' $grant_option;
CREATE USER IF NOT EXISTS '$user'@'localhost' IDENTIFIED BY PASSWORD '$hash';
ALTER USER '$user'@'localhost' IDENTIFIED BY PASSWORD '$hash';
GRANT ALL ON *.* TO '$user'@'localhost';
REVOKE GRANT OPTION ON *.* FROM '$user'@'localhost';
GRANT ALL ON *.* TO '$user'@'localhost' $grant_option;
FLUSH PRIVILEGES;
SQL
    )
    [ -z "$replaced" ] || echo reset
    ;;
*)
    echo "unknown command $cmd" >&2
    exit 2
    ;;
esac
