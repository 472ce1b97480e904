#!/usr/bin/env python3
"""Fails when a file of the server includes a header of a floor above its own, or of
another folder on the same floor: each floor builds only on those below it."""
import os
import re
import sys

# Lowest first; folders on one floor do not include each other.
FLOORS = [
    ["core"],
    ["modules/sdk"],
    ["device"],
    ["communication"],
    ["modules"],
    ["transfer", "network", "update"],
    ["ui"],
    ["app"],
]
RANK = {folder: rank for rank, folders in enumerate(FLOORS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(path):
    return "modules/sdk" if path.startswith("modules/sdk/") else path.split("/")[0]


def main(server):
    faults = []
    for root, _, files in os.walk(server):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            mine = folder_of(os.path.relpath(path, server))
            if mine not in RANK:
                continue
            with open(path, encoding="utf-8") as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    theirs = folder_of(match.group(1))
                    if theirs in RANK and theirs != mine and RANK[theirs] >= RANK[mine]:
                        faults.append("%s:%d includes %s (%s is not below %s)"
                                      % (os.path.relpath(path, server), number, match.group(1), theirs, mine))
    for fault in faults:
        print(fault)
    print("%d include(s) against the floors" % len(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
