#!/usr/bin/env bash
# ./run.sh's server step: this account's private MariaDB server on 127.0.0.1, started when it is not running and its
# accounts closed when it is (an earlier version's too), its application user, and the program's settings
# pointed at it.
#   run-server.sh SEEDER     SEEDER: the seed-settings program
# The password goes to the scripts and the seeder on their standard input: any local account may read a process's
# arguments.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seeder=${1:?seed-settings program}

data_home=${XDG_DATA_HOME:-$HOME/.local/share}
data_dir="$data_home/vorantel"
server_dir="$data_dir/mariadb"
# The data folder, and the folders made in it, are this account's alone whatever the umask (002 makes them 775): the
# program keeps its single-instance lock only in a folder that neither its group nor other accounts may write, and a
# start from a login without XDG_RUNTIME_DIR finds a running copy only there. Folders above it keep the umask's mode.
mkdir -p -m 700 -- "$data_dir"
# One an earlier version made under such a umask is narrowed, if it is this account's, in a line of its own.
if [ -O "$data_dir" ] && mode=$(stat -L -c %a -- "$data_dir") && (((8#$mode & 8#022) != 0)) && chmod 700 -- "$data_dir"; then
    echo "The program's data folder $data_dir was mode $mode, which its group or other accounts could write; it is now" \
        "this account's alone, mode 700." >&2
fi
mkdir -p -m 700 -- "$server_dir"
port_file="$data_dir/server.port"
password_file="$data_dir/server.password"

# One step at a time on the folder: two started together would each start a server on a port of its own, and leave
# the settings on the one that lost. The lock is a file only this account can open; no server started keeps it.
lock_file="$server_dir.lock"
[ -e "$lock_file" ] || (umask 077 && : >>"$lock_file")
exec {lock}>>"$lock_file"
if ! flock -n "$lock"; then
    echo "Another ./run.sh is setting up the server of $server_dir (it holds $lock_file); waiting for it to end," \
        "120 s at most ..." >&2
fi
if ! flock -w 120 "$lock"; then
    echo "Another ./run.sh has been setting up the server of $server_dir for 120 s (it holds $lock_file); run this" \
        "again once it has ended." >&2
    exit 1
fi

if [ ! -f "$password_file" ]; then
    (umask 077; head -c 18 /dev/urandom | base64 | tr -d '/+=' >"$password_file")
fi
rule="write a password there as UTF-8 text (any characters but NUL; line ends at its end, LF or CR LF, are dropped),"
rule+=" or remove the file for a new one"
# read stops at a NUL (status 0), else at the end of the file.
if IFS= read -r -d '' password <"$password_file"; then
    echo "$password_file holds a NUL; $rule" >&2
    exit 1
fi
# The server is given the password's bytes and the program reads them as UTF-8: other bytes would be two passwords.
# iconv refuses broken sequences, surrogates and overlong forms, but lets through code points past U+10FFFF (F4 90
# on, and F5 to FF, which five- and six-byte forms begin with), which the program reads as something else. A check of
# its own for those: python would cost a start of its own.
none_past_utf8() {
    local status=0
    LC_ALL=C grep -qP '[\xf5-\xff]|\xf4[\x90-\xbf]' -- "$1" || status=$?
    [ "$status" -eq 1 ] # found none; 2 is grep's own failure, never a pass
}
if ! iconv -f UTF-8 -t UTF-8 -- "$password_file" >/dev/null 2>&1 || ! none_past_utf8 "$password_file"; then
    echo "$password_file is not UTF-8 text; $rule" >&2
    exit 1
fi
# Byte-order marks at its start, as editors write "UTF-8 with BOM", are no part of it: the program's settings drop
# one when they read it.
while [[ "$password" == $'\xef\xbb\xbf'* ]]; do
    password=${password#$'\xef\xbb\xbf'}
done
while [[ "$password" == *$'\n' ]]; do
    password=${password%$'\n'}
    password=${password%$'\r'}
done
if [ -z "$password" ]; then
    echo "$password_file holds no password; $rule" >&2
    exit 1
fi
# A server that runs on the folder but does not answer is told by mariadb.sh (status 3), never started twice.
status=0
said=$("$here/mariadb.sh" running "$server_dir" 2>&1) || status=$?
if [ "$status" -eq 1 ]; then
    # A process of another account that names the folder, said in one line, is left alone.
    [ -z "$said" ] || echo "$said" >&2
    echo "Starting the private MariaDB server ..." >&2
elif [ "$status" -ne 0 ]; then
    echo "$said" >&2
    exit "$status"
fi

# A shop's server keeps a year of sale lines in memory: 1,000,000 lines and their sales take about
# 200 MB with their indexes, and the 128 MB default would read them from disk for every yearly
# report. Not mariadb.sh's own default: the test suite starts many servers at once.
# start also serves a server already running, closing its accounts, and starts no second one; either way it
# writes the port the server listens on to the port file (emptied for one that listens on none). A loopback port
# chosen once and kept, so that several accounts on one computer each run their own server: start chooses it (-),
# so that it is in no process's arguments, keeps it until another program is found holding it while the server is
# down, and says a change once the server listens on the new one.
"$here/mariadb.sh" start "$server_dir" - --port-file="$port_file" --innodb-buffer-pool-size=1G {lock}<&-
# Read as start reads it: the port alone once the server listens, rewritten by start when it held more.
port=$("$here/mariadb.sh" port "$port_file")
if [ -z "$port" ]; then
    echo "The server of $server_dir listens on no port (started with --skip-networking?); the program reaches it over TCP only." >&2
    exit 1
fi
# Settings that are the step's own (this server and its user) follow the server to its port and to the password it
# is given, however either came to change; settings for another server or user stay.
# The port goes to the seeder in its environment, as the password on its input: a port in a process's arguments is one
# another account may take once the server has let it go.
export DB_PORT=$port
settings=(--own=DB_SERVER --own=DB_USER DB_SERVER=127.0.0.1 --env=DB_PORT DB_USER=vorantel)
# A running copy of the program (the one its single-instance guard lets run) keeps the password it logged in with
# for every later connection: the server's changes only once it has ended. The copy ./run.sh starts next exits at
# once without a word, so the step says why, in one line.
if "$seeder" --program-runs; then
    if [ "$(printf '%s' "$password" | "$here/mariadb.sh" user "$server_dir" vorantel check 2>/dev/null)" = reset ]; then
        "$seeder" "${settings[@]}" >/dev/null
        echo "The program already runs, so no second copy starts, and the server keeps its password for vorantel, not" \
            "the one in $password_file, while it runs: the first ./run.sh after the program has ended gives the file's" \
            "to the server and the program's settings." >&2
        exit 0
    fi
    echo "The program already runs, so no second copy starts." >&2
fi
given=$(printf '%s' "$password" | "$here/mariadb.sh" user "$server_dir" vorantel)
status=0
seeded=$(printf '%s' "$password" | "$seeder" --input=DB_PASSWORD "${settings[@]}") || status=$?
if [ "$given" = reset ]; then
    # The seeder names each key it wrote.
    if [ "$status" -eq 0 ] && grep -qx 'set DB_PASSWORD' <<<"$seeded"; then
        have="the server and the program's settings now have the file's"
    else
        have="the server now has the file's"
    fi
    echo "The server's password for vorantel was not the one in $password_file (set on the server by hand, or the" \
        "file changed); $have." >&2
fi
exit "$status"
