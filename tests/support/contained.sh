#!/usr/bin/env bash
# Runs a test program so that every process it starts ends with it, however it ends (its time limit included): in
# a PID namespace of its own, whose first process this script is; when it ends, the kernel ends every process left
# in the namespace (servers started in sessions of their own, listeners, watchers). With --network, in a network
# namespace of its own as well, its loopback alone: the ports its processes hold are no other test's, and no other
# test's are its.
# Namespaces need root, as the cases run as another account do; without it the program runs as it is.
#   contained.sh [--network] PROGRAM [ARGUMENT...]
set -euo pipefail

network=()
if [ "${1:-}" = --network ]; then
    network=(--net)
    shift
fi
if [ "${1:-}" = --inside ]; then
    shift
    [ "${1:-}" != --network ] || { shift && ip link set lo up; }
    # Started in the background, so that this shell, the namespace's first process, reaps whatever the program's
    # processes leave behind them while it waits.
    "$@" <&0 &
    program=$!
    status=0
    wait "$program" || status=$?
    exit "$status"
fi

if [ "$(id -u)" -ne 0 ]; then
    exec "$@"
fi
# --kill-child: the namespace ends with this process too, when the test runner kills it.
exec unshare --pid --fork --kill-child --mount-proc "${network[@]}" -- "$0" --inside ${network:+--network} "$@"
