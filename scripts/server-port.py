#!/usr/bin/env python3
"""A loopback port for a MariaDB server, outside the range the system lends to outgoing connections.

  server-port.py         a free port, chosen at random from 20000 up to just below that range, or above it too
                         when too little is left below; when too little is left outside it at all (a range of
                         1024-65535), any free port from 1024 up
  server-port.py - <KEPT  the port read from standard input when it is free, else a new one as above (not as an
                         argument: every account reads a process's arguments, and could take the port first)

Any outgoing connection may take a port of the lent range while the server is down, which then cannot start. Free
means a bind on 127.0.0.1 takes it, as the server's own bind would (address reuse included: a port left in
TIME_WAIT by the server's last connections is still its own). At random, never the lowest free: servers started
side by side (the tests') would all reach for the same one. A port inside the lent range is kept only while it is
free, as any other.
"""
import os
import random
import socket
import sys

FIRST = 20000
LOWEST = 1024
ENOUGH = 1000


def free(port):
    with socket.socket() as s:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind(("127.0.0.1", port))
        except OSError:
            return False
    return True


def main():
    kept = sys.stdin.read().strip() if sys.argv[1:] == ["-"] else ""
    if kept.isascii() and kept.isdigit() and 0 < int(kept) < 65536 and free(int(kept)):
        print(int(kept))
        return 0
    with open(os.environ.get("VORANTEL_LENT_PORTS", "/proc/sys/net/ipv4/ip_local_port_range")) as f:
        lent_first, lent_last = (int(n) for n in f.read().split()[:2])
    ports = range(FIRST, lent_first)
    if len(ports) < ENOUGH:
        ports = list(ports) + list(range(max(FIRST, lent_last + 1), 65536))
    # Where the range leaves too little outside it, a port it lends is still better than no server.
    if len(ports) < ENOUGH:
        ports = range(LOWEST, 65536)
    for _ in range(200):
        port = random.choice(ports)
        if free(port):
            print(port)
            return 0
    # Most are taken: every one, in random order, before giving up.
    for port in random.sample(ports, len(ports)):
        if free(port):
            print(port)
            return 0
    print("server-port.py: no free port from %d up" % min(ports), file=sys.stderr)
    return 1


sys.exit(main())
