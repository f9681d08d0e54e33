#!/usr/bin/python3
"""A test program run in parts runs each of its rows in exactly one part, and every function and row a part names
is the program's: Qt Test runs nothing for a row it does not know, and passes.

  checkparts.py PROGRAM PART...   PART: the part's Qt Test arguments joined by '|' (function, or function:row)
"""
import os
import subprocess
import sys

program, parts = sys.argv[1], sys.argv[2:]
listing = subprocess.run([program, "-datatags"], env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, check=True).stdout
rows = {}
for line in listing.splitlines():
    words = line.split(" ", 2)
    if len(words) >= 2:
        rows.setdefault(words[1], []).append(words[2] if len(words) > 2 else "")

runs = {(function, row): 0 for function, names in rows.items() for row in names}
faults = []
for number, part in enumerate(parts, 1):
    for argument in part.split("|"):
        function, has_row, row = argument.partition(":")
        if function not in rows:
            faults.append(f"part {number} names {function}, which the program does not have")
        elif has_row and row not in rows[function]:
            faults.append(f"part {number} names the row {row!r} of {function}, which does not have it")
        else:
            for name in [row] if has_row else rows[function]:
                runs[(function, name)] += 1
for (function, row), count in runs.items():
    if count != 1:
        faults.append(f"{function}{':' + row if row else ''} runs in {count} parts")
print("\n".join(faults) or f"{len(runs)} rows, each in one of {len(parts)} parts")
sys.exit(1 if faults else 0)
