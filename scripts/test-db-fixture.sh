#!/usr/bin/env bash
# CTest fixture: a throw-away MariaDB for the database tests.
#   test-db-fixture.sh setup INFOFILE     start it on a free loopback port (server-port.py), write the connection to INFOFILE
#   test-db-fixture.sh cleanup INFOFILE   stop it and remove its data
#   test-db-fixture.sh template DIR       a server's data folder in DIR/mariadb, set up and started once as mariadb.sh
#                                         does, its empty blocks left out: the tests copy it in a fraction of the time
#                                         a set-up takes
#   test-db-fixture.sh cleanup-template DIR
# The fixture's server is owned by the test runner that started it: a run killed before its cleanup takes it along.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cmd=${1:?command}
info=${2:?info file}

case "$cmd" in
setup)
    if [ -f "$info" ]; then "$0" cleanup "$info" || true; fi
    # A start that fails for a passing reason (a free port taken by another program before the server binds it)
    # is tried again, on a new port and folder.
    for try in 1 2 3; do
        datadir=$(mktemp -d /tmp/vorantel-testdb.XXXXXX)
        port=$("$here/server-port.py") &&
            "$here/mariadb.sh" start "$datadir" "$port" --owner="$PPID" &&
            "$here/mariadb.sh" user "$datadir" vorantel_test grant <<<test_pw_1 && break
        echo "test server try $try failed" >&2
        "$here/mariadb.sh" stop "$datadir" || true
        rm -rf "$datadir" "${datadir%/}.tmp"
        [ "$try" -lt 3 ] || exit 1
    done
    mkdir -p "$(dirname "$info")"
    cat >"$info" <<INFO
VORANTEL_TEST_DB_HOST=127.0.0.1
VORANTEL_TEST_DB_PORT=$port
VORANTEL_TEST_DB_USER=vorantel_test
VORANTEL_TEST_DB_PASSWORD=test_pw_1
VORANTEL_TEST_DB_DATADIR=$datadir
INFO
    echo "test server on 127.0.0.1:$port ($datadir)"
    ;;
template)
    "$0" cleanup-template "$info"
    mkdir -p "$info"
    # No port: nothing of it needs one, and none is held meanwhile. A set-up that fails for a passing reason (the
    # set-up tool's temporary tables in the shared /tmp) is tried again.
    for try in 1 2 3; do
        "$here/mariadb.sh" start "$info/made" - --port-file="$info/made.port" --skip-networking && break
        rm -rf "$info/made" "$info/made.tmp"
        [ "$try" -lt 3 ] || exit 1
    done
    "$here/mariadb.sh" stop "$info/made"
    rm -f "$info/made/server.log" "$info/made/install.log"
    cp -a --sparse=always "$info/made" "$info/mariadb"
    rm -rf "$info/made" "$info/made.tmp" "$info/made.port"
    ;;
cleanup-template)
    rm -rf "$info"
    ;;
cleanup)
    [ -f "$info" ] || exit 0
    datadir=$(sed -n 's/^VORANTEL_TEST_DB_DATADIR=//p' "$info")
    if [ -n "$datadir" ] && [ -d "$datadir" ]; then
        "$here/mariadb.sh" stop "$datadir"
        rm -rf "$datadir" "${datadir%/}.tmp"
    fi
    rm -f "$info"
    ;;
esac
