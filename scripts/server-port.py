#!/usr/bin/python3
"""A loopback port for a MariaDB server, wherever one is free, outside the range the system lends to outgoing
connections while any port outside it is free.

  server-port.py          a free port, searched for range by range: from 20000 up to just below the lent range,
                          then above it (to 65535), then from 1024 up to 19999, and the lent range last; fails,
                          naming the ranges, only when every port of them is taken
  server-port.py - <KEPT  the port read from standard input while it is free, else a new one as above (not as an
                          argument: every account reads a process's arguments, and could take the port first)

Any outgoing connection may take a port of the lent range while the server is down, which then cannot start: a
lent port is the last resort, and kept only while it is free, as any other. Another account may hold every port
of a range (any number of them, its descriptor limit allowing): the next range is searched then, never given up.
Free means a bind on 127.0.0.1 takes it, as the server's own bind would (address reuse included: a port left in
TIME_WAIT by the server's last connections is still its own). In each range a few ports at random first, never
the lowest free: servers started side by side (the tests') would all reach for the same one; then every port of
it, in random order. The lent range is read from VORANTEL_LENT_PORTS when set (a file as the kernel's); one that
cannot be read as two ports, the first no higher than the last, counts as none lent.
"""
import os
import random
import socket
import sys

FIRST = 20000
LOWEST = 1024
HIGHEST = 65535
TRIES = 200


def free(port):
    with socket.socket() as s:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind(("127.0.0.1", port))
        except OSError:
            return False
    return True


def lent_range():
    try:
        with open(os.environ.get("VORANTEL_LENT_PORTS", "/proc/sys/net/ipv4/ip_local_port_range")) as f:
            first, last = (int(n) for n in f.read().split()[:2])
    except (OSError, ValueError):
        return None
    first, last = max(first, LOWEST), min(last, HIGHEST)
    return (first, last) if first <= last else None


def without(span, cut):
    """The parts of span (first, last) outside cut (first, last)."""
    first, last = span
    if cut[1] < first or cut[0] > last:
        return [span]
    return [(first, cut[0] - 1), (cut[1] + 1, last)]


def ranges():
    """The ranges in the order searched, each a list of (first, last) spans; none empty."""
    lent = lent_range()
    if lent is None:
        return [[(FIRST, HIGHEST)], [(LOWEST, FIRST - 1)]]
    found = [[(FIRST, lent[0] - 1)], [(max(FIRST, lent[1] + 1), HIGHEST)], without((LOWEST, FIRST - 1), lent), [lent]]
    found = [[(first, last) for first, last in spans if first <= last] for spans in found]
    return [spans for spans in found if spans]


def port_at(spans, index):
    for first, last in spans:
        if index <= last - first:
            return first + index
        index -= last - first + 1
    raise IndexError(index)


def search(spans):
    count = sum(last - first + 1 for first, last in spans)
    for _ in range(min(TRIES, count)):
        port = port_at(spans, random.randrange(count))
        if free(port):
            return port
    # Most are taken: every one, in random order.
    for index in random.sample(range(count), count):
        if free(port_at(spans, index)):
            return port_at(spans, index)
    return None


def main():
    kept = sys.stdin.read().strip() if sys.argv[1:] == ["-"] else ""
    if kept.isascii() and kept.isdigit() and 0 < int(kept) <= HIGHEST and free(int(kept)):
        print(int(kept))
        return 0
    searched = ranges()
    for spans in searched:
        port = search(spans)
        if port is not None:
            print(port)
            return 0
    names = ["%d-%d" % span if span[0] < span[1] else "%d" % span[0] for spans in searched for span in spans]
    listed = names[0] if len(names) == 1 else ", ".join(names[:-1]) + " and " + names[-1]
    print("server-port.py: every port of %s is taken" % listed, file=sys.stderr)
    return 1


sys.exit(main())
