#!/usr/bin/env bash
# Runs a test program so that every process and file it makes ends with it, however it ends (its time limit
# included), and notes the rows it skipped for ./test.sh.
#   contained.sh [--network] PROGRAM [ARGUMENT...]
# Where this computer lets the process make namespaces, the program runs as the first process of PID and IPC
# namespaces of its own, with --network in a network of its own too (its loopback alone): when it ends, the kernel ends
# every process and segment left in them, and the ports its processes held were no other test's. Where it does not (a
# plain account, a container), the program runs as it is, marked in its environment, and whatever carries the mark is
# ended after it. Either way its temporary folder (VORANTEL_TEST_TMP) goes afterwards; a watcher in a session of its
# own, which a runner killing this script and its children does not reach, does that when this script is killed.
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
    while IFS= read -r -d '' data; do
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
status=0
if unshare --pid --fork --kill-child --mount-proc --ipc "${network[@]}" true 2>/dev/null; then
    [ ${#network[@]} -eq 0 ] || marks+=(VORANTEL_TEST_NETWORK=own)
    # --kill-child: the namespace ends with this process too, when the test runner kills it.
    unshare --pid --fork --kill-child --mount-proc --ipc "${network[@]}" -- \
        env "${marks[@]}" VORANTEL_TEST_IPC=own "$0" --inside ${network:+--network} "${arguments[@]}" {alive}>&- ||
        status=$?
else
    env "${marks[@]}" "${arguments[@]}" {alive}>&- || status=$?
fi

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
