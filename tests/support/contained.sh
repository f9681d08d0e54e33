#!/usr/bin/env bash
# Runs a test program so that every process and file it makes ends with it, however it ends (its time limit
# included), and notes the rows it skipped for ./test.sh.
#   contained.sh [--network] PROGRAM [ARGUMENT...]
# Where this computer lets the process make namespaces, the program runs as the first process of PID and IPC
# namespaces of its own, with --network in a network of its own too (its loopback alone): when it ends, the kernel ends
# every process and segment left in them, and the ports its processes held were no other test's. An account that may
# make them only inside a user namespace of its own gets them there: the loopback is brought up with the namespace's
# rights, then the program runs in a second user namespace as the account itself, without capabilities, so that every
# permission a row checks means what it means outside. Where neither works, the program runs as it is, and the rows
# that need a namespace skip with the reason it gives them (VORANTEL_TEST_NO_NAMESPACE). Either way the program is
# marked in its environment, and whatever carries the mark is ended after it, and its temporary folder
# (VORANTEL_TEST_TMP) goes afterwards; a watcher in a session of its own, which a runner killing this script and its
# children does not reach, does that when this script is killed.
# A program whose every row skipped exits 77, which ctest shows as skipped (SKIP_RETURN_CODE).
set -euo pipefail
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)

# A pause without a process of its own.
nap_fd=""
nap() {
    [ -n "$nap_fd" ] || exec {nap_fd}<> <(:)
    read -r -t "$1" -u "$nap_fd" _ || true
}

# Ends every process that carries the run's mark (any account's this one may signal), stopped first so that none
# starts another meanwhile.
end_marked() {
    local mark="VORANTEL_TEST_RUN=$1" round p found environment state IFS=$'\n'
    for round in 1 2 3 4 5 6 7 8 9 10; do
        found=()
        for p in /proc/[0-9]*; do
            mapfile -d '' environment 2>/dev/null <"$p/environ" || continue
            [[ $'\n'"${environment[*]}"$'\n' == *$'\n'"$mark"$'\n'* ]] || continue
            read -r _ _ state _ 2>/dev/null <"$p/stat" && [ "$state" != Z ] && found+=("${p#/proc/}")
        done
        [ ${#found[@]} -gt 0 ] || return 0
        kill -STOP "${found[@]}" 2>/dev/null || true
        kill -KILL "${found[@]}" 2>/dev/null || true
        nap 0.05
    done
}

# What a run leaves: its processes, the socket folders its servers made outside it (mariadb.sh names them from the
# data folder), folders a row made unwritable, and its temporary folder.
sweep() {
    local run=$1 scratch=$2 data
    end_marked "${run##*/}"
    # A server's socket folder is named under the runtime folder it was started with: the runner's, or none.
    while IFS= read -r -d '' data; do
        [ -z "${XDG_RUNTIME_DIR:-}" ] || "$scripts/mariadb.sh" stop "${data%/mysql}" >/dev/null 2>&1 || true
        env -u XDG_RUNTIME_DIR "$scripts/mariadb.sh" stop "${data%/mysql}" >/dev/null 2>&1 || true
    done < <(find "$run" ${scratch:+"$scratch"} -type d -name mysql -print0 2>/dev/null)
    chmod -R u+w "$run" ${scratch:+"$scratch"} 2>/dev/null || true
    rm -rf "$run"
}

case "${1:-}" in
--watch)
    # --watch RUN SCRATCH, its standard input the run's pipe: at its end (the script has ended, however), sweeps
    # unless the script did.
    read -r _ || true
    [ ! -d "$2" ] || sweep "$2" "$3"
    exit 0
    ;;
--user-inside)
    # --user-inside UID GID [--network] PROGRAM...: the first process of the namespaces, made in a user namespace
    # where it is root. The program runs in a user namespace below it as the account, so without capabilities.
    uid=$2 gid=$3
    shift 3
    [ "${1:-}" != --network ] || { shift && ip link set lo up; }
    unshare --user --map-user="$uid" --map-group="$gid" -- "$@" <&0 &
    program=$!
    status=0
    wait "$program" || status=$?
    exit "$status"
    ;;
--inside)
    shift
    [ "${1:-}" != --network ] || { shift && ip link set lo up; }
    # Started in the background, so that this shell, the namespace's first process, reaps whatever the program's
    # processes leave behind them while it waits.
    "$@" <&0 &
    program=$!
    status=0
    wait "$program" || status=$?
    exit "$status"
    ;;
esac

network=()
if [ "${1:-}" = --network ]; then
    network=(--net)
    shift
fi
scratch=${VORANTEL_TEST_SCRATCH:-}
run=$(mktemp -d /tmp/vorantel-t.XXXXXX)
# Rows run as nobody make their folders in it.
chmod 755 "$run"
mkfifo -m 600 "$run/.watch"
(setsid "$0" --watch "$run" "$scratch" <"$run/.watch" >/dev/null 2>&1 &)
exec {alive}>"$run/.watch"
rm -f "$run/.watch"

result="$run/result.txt"
arguments=("$@" -o "$result,txt" -o -,txt)
marks=(VORANTEL_TEST_TMP="$run" VORANTEL_TEST_RUN="${run##*/}")
namespaces=(--pid --fork --kill-child --mount-proc --ipc "${network[@]}")
acts_as_another() { setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; }
# What this process may make, tried with the whole set-up. VORANTEL_CONTAINED_PLAIN: none (the harness's own tests).
# A process that may act as another account keeps that (its rows need it) rather than take a user namespace, where
# no other account exists.
mode=plain
if [ -n "${VORANTEL_CONTAINED_PLAIN:-}" ]; then
    why="run without namespaces, as VORANTEL_CONTAINED_PLAIN asks"
elif unshare "${namespaces[@]}" true 2>/dev/null; then
    mode=own
elif ! acts_as_another && unshare --user --map-root-user "${namespaces[@]}" -- \
    "$0" --user-inside "$(id -u)" "$(id -g)" ${network:+--network} true 2>/dev/null; then
    mode=user
elif acts_as_another; then
    why="this process may not make namespaces itself (it lacks CAP_SYS_ADMIN), and in a user namespace of its own it"
    why+=" could not act as another account as other rows do; ./test.sh run as root with CAP_SYS_ADMIN runs them"
else
    why="this account may make namespaces neither itself nor in a user namespace of its own here; ./test.sh run by"
    why+=" the computer's root (not a container's) runs them"
fi
[ "$mode" = plain ] || [ ${#network[@]} -eq 0 ] || marks+=(VORANTEL_TEST_NETWORK=own)
status=0
case "$mode" in
own)
    # --kill-child: the namespaces end with this process too, when the test runner kills it.
    unshare "${namespaces[@]}" -- env "${marks[@]}" VORANTEL_TEST_IPC=own "$0" --inside ${network:+--network} \
        "${arguments[@]}" {alive}>&- || status=$?
    ;;
user)
    unshare --user --map-root-user "${namespaces[@]}" -- env "${marks[@]}" VORANTEL_TEST_IPC=own \
        "$0" --user-inside "$(id -u)" "$(id -g)" ${network:+--network} "${arguments[@]}" {alive}>&- || status=$?
    ;;
plain)
    env "${marks[@]}" VORANTEL_TEST_NO_NAMESPACE="$why" "${arguments[@]}" {alive}>&- || status=$?
    ;;
esac

# Qt Test's status counts failed rows: 77 of them are no skip.
[ "$status" -ne 77 ] || status=1
if [ -f "$result" ] && [ -n "$scratch" ]; then
    grep '^SKIP   : ' "$result" >"$scratch.skipped" || rm -f "$scratch.skipped"
    ran=$(grep '^PASS   : ' "$result" | grep -cvE '::(initTestCase|cleanupTestCase)\(\)$' || true)
    if [ "$status" -eq 0 ] && [ "$ran" -eq 0 ] && [ -f "$scratch.skipped" ]; then
        echo "Every row skipped: this computer does not let this process do what they need." >&2
        status=77
    fi
fi
sweep "$run" "$scratch"
exit "$status"
