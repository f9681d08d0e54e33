#!/usr/bin/env python3
"""./run.sh's server step (scripts/run-server.sh, its server running) timed with the TCP sockets the computer holds
now, then with 20,000 more (10,000 connected loopback pairs held by two child processes): the step's look for its
server's listening socket should cost the same.

  bench/bench_server_step.py SEEDER [RUNS]   SEEDER: the seed-settings program (build/bin/seed-settings); RUNS
                                             steps each way (default 10); a server of its own, removed at the end
"""
import os
import resource
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts")
PAIRS = 10000


def step(env, seeder):
    """The step's wall and CPU seconds (its processes' user and system time)."""
    before, start = os.times(), time.monotonic()
    subprocess.run([os.path.join(SCRIPTS, "run-server.sh"), seeder], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = os.times()
    cpu = after.children_user - before.children_user + after.children_system - before.children_system
    return time.monotonic() - start, cpu


def tcp_sockets():
    return sum(len(open(table).readlines()) - 1 for table in ("/proc/net/tcp", "/proc/net/tcp6"))


def hold_pairs():
    """Two processes, one accepting and one connecting, each holding its end of every pair; their pids."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(4096)
    ready = os.pipe()
    pids = []
    for side in ("accept", "connect"):
        pid = os.fork()
        if pid == 0:
            said = b"!"
            try:
                hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]
                resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
                if side == "accept":
                    held = [listener.accept()[0] for _ in range(PAIRS)]
                else:
                    held = [socket.create_connection(listener.getsockname()) for _ in range(PAIRS)]
                said = b"."
            finally:
                os.write(ready[1], said)
            time.sleep(3600)
            os._exit(0)
        pids.append(pid)
    listener.close()
    if os.read(ready[0], 1) + os.read(ready[0], 1) != b"..":
        sys.exit("bench_server_step.py: %d connections could not be held (too few files allowed?)" % PAIRS)
    return pids


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    seeder = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    home = tempfile.mkdtemp(prefix="vorantel-bench-step.")
    env = dict(os.environ, XDG_DATA_HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"))
    holders = []
    try:
        step(env, seeder)  # sets the server up and starts it
        for label in ("as the computer is", "20,000 more sockets"):
            if label != "as the computer is":
                holders = hold_pairs()
            times = [step(env, seeder) for _ in range(runs)]
            print("%-20s %6d TCP sockets: wall median %.3f s (%.3f-%.3f), CPU median %.3f s" % (
                label, tcp_sockets(), statistics.median(t[0] for t in times), min(t[0] for t in times),
                max(t[0] for t in times), statistics.median(t[1] for t in times)))
    finally:
        for pid in holders:
            os.kill(pid, 9)
            os.waitpid(pid, 0)
        subprocess.run([os.path.join(SCRIPTS, "mariadb.sh"), "stop", os.path.join(home, "vorantel", "mariadb")],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(home, ignore_errors=True)


main()
