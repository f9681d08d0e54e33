#!/usr/bin/python3
"""Each ctest entry's time on a quiet computer, then with every core kept busy by as many busy-loop processes as
there are cores: how close each entry comes to its time limit when the computer is loaded.

  bench/bench_test_times.py [--quiet-only | --busy-only] BUILD_DIR [CTEST_ARGS...]
                                             runs `ctest --parallel <cores> CTEST_ARGS` in BUILD_DIR (e.g.
                                             -R connections for a subset) each way and prints one table, longest
                                             busy time first; limits without a TIMEOUT are ctest's default 1500 s
"""
import ctypes
import json
import os
import re
import signal
import subprocess
import sys
import threading
import time

CORES = os.cpu_count()
DEFAULT_LIMIT = 1500.0
ENTRY = re.compile(r"^\s*\d+/\d+ Test\s+#\d+: (\S+) \.*\s*(.*?)\s+([\d.]+) sec\s*$")


def die_with_parent():
    # SIGKILL of this script skips the finally below: the kernel then ends the spinners
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def limits(build):
    """Each test's TIMEOUT property, as ctest knows them."""
    out = subprocess.run(["ctest", "-N", "--show-only=json-v1"], cwd=build, stdout=subprocess.PIPE, check=True).stdout
    found = {}
    for test in json.loads(out)["tests"]:
        props = {p["name"]: p["value"] for p in test.get("properties", [])}
        found[test["name"]] = float(props.get("TIMEOUT", DEFAULT_LIMIT))
    return found


def run(build, args, label):
    """{name: (seconds, status)}, wall seconds, load average at the end and the highest one seen."""
    highest, done = [0.0], threading.Event()

    # the 1-minute average lags: a run of a few seconds shows well under the load it had
    def sample():
        while True:
            highest[0] = max(highest[0], os.getloadavg()[0])
            if done.wait(3):
                return
    sampler = threading.Thread(target=sample, daemon=True)
    sampler.start()
    times, start = {}, time.monotonic()
    ctest = subprocess.Popen(["ctest", "--parallel", str(CORES)] + args, cwd=build, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True)
    try:
        for line in ctest.stdout:
            match = ENTRY.match(line)
            if match:
                sys.stderr.write("%-6s %s" % (label, line.lstrip()))
                times[match.group(1)] = (float(match.group(3)), match.group(2).strip("* "))
        ctest.wait()
    except KeyboardInterrupt:
        ctest.wait()  # ctest got the Ctrl-C too; let it stop its tests and fixtures itself
        raise
    finally:
        done.set()
    wall = time.monotonic() - start
    return times, wall, os.getloadavg()[0], max(highest[0], os.getloadavg()[0])


def cell(entry):
    if entry is None:
        return "%8s %-10s" % ("-", "")
    seconds, status = entry
    return "%8.2f %-10s" % (seconds, "" if status == "Passed" else status[:10])


def main():
    argv = sys.argv[1:]
    modes = [a for a in argv if a in ("--quiet-only", "--busy-only")]
    argv = [a for a in argv if a not in modes]
    if not argv or len(set(modes)) > 1 or not os.path.isdir(argv[0]):
        sys.exit(__doc__)
    build, args = os.path.abspath(argv[0]), argv[1:]
    limit = limits(build)
    results = {}
    for label in ("quiet", "busy"):
        if modes and modes[0] != "--%s-only" % label:
            continue
        spinners = []
        try:
            if label == "busy":
                # a shell loop spins without system calls; one a core, on top of ctest's own parallel tests
                spinners = [subprocess.Popen(["/bin/sh", "-c", "while :; do :; done"], preexec_fn=die_with_parent)
                            for _ in range(CORES)]
            results[label] = run(build, args, label)
        finally:
            for spinner in spinners:
                spinner.kill()
                spinner.wait()
    names = set().union(*(r[0] for r in results.values()))
    key = "busy" if "busy" in results else "quiet"
    width = max([len(n) for n in names] + [4])
    print("%-*s %7s %19s %19s %8s" % (width, "test", "limit", "quiet s", "busy s", "of limit"))
    for name in sorted(names, key=lambda n: -results[key][0].get(n, (0.0, ""))[0]):
        row = [results[l][0].get(name) if l in results else None for l in ("quiet", "busy")]
        share = results[key][0].get(name, (0.0, ""))[0] / limit.get(name, DEFAULT_LIMIT)
        print("%-*s %7.0f %s %s %7.0f%%" % (width, name, limit.get(name, DEFAULT_LIMIT), cell(row[0]), cell(row[1]),
                                           100 * share))
    for label, (_, wall, load, highest) in results.items():
        print("%-5s run: %7.1f s wall, load average %.1f at the end, %.1f at most (%d cores)" % (
            label, wall, load, highest, CORES))


try:
    main()
except KeyboardInterrupt:
    sys.exit(130)
