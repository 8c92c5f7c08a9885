#!/usr/bin/env python3
"""Turns the callgrind dumps of addon-bench-instructions into a table of instructions per
record: ours against spdlog, log4cplus and the floor, for each record shape.

Each dump's description names the records it counted ("records 20000 text ours"); its totals
line holds the instructions (user space only) spent on them.

Usage: instruction_table.py CALLGRIND_OUT_FILE...
Exit status: 0 when every shape has all four writers, 1 otherwise.
"""
import re
import sys

DESCRIPTION = re.compile(rb"^desc: Trigger: Client Request: records (\d+) (\w+) (\w+)$", re.M)
TOTALS = re.compile(rb"^totals: (\d+)", re.M)
WRITERS = ("ours", "spdlog", "log4cplus", "floor")
# Largest ratio of our instructions to spdlog's, per record shape: the target is set for the
# text record; the record with numbers is shown beside it without one.
TARGETS = {"text": 0.6}


def main(paths):
    if not paths:
        print(__doc__, file=sys.stderr)
        return 2
    per_record = {}
    for path in paths:
        with open(path, "rb") as dump:
            text = dump.read()
        described = DESCRIPTION.search(text)
        totals = TOTALS.search(text)
        if not described or not totals:
            continue
        records, shape, writer = int(described[1]), described[2].decode(), described[3].decode()
        per_record[(shape, writer)] = int(totals[1]) / records

    print("| Record | ours | spdlog | log4cplus | floor | ours/spdlog | ours/log4cplus | "
          "ours/floor | target | result |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---|---|")
    status = 0
    for shape in sorted({shape for shape, _ in per_record}, reverse=True):
        counts = [per_record.get((shape, writer)) for writer in WRITERS]
        if None in counts:
            print(f"instruction_table: {shape}: not every writer was counted", file=sys.stderr)
            status = 1
            continue
        ours, spdlog, log4cplus, floor = counts
        ratio = ours / spdlog
        target = TARGETS.get(shape)
        if target is None:
            wanted, result = "—", "no target"
        else:
            wanted = f"≤ {target:g}× spdlog"
            result = "met" if ratio <= target else f"MISSED: {ratio:.2f}× spdlog"
        print(f"| {shape} | {ours:,.0f} | {spdlog:,.0f} | {log4cplus:,.0f} | {floor:,.0f} | "
              f"{ratio:.2f} | {ours / log4cplus:.2f} | {ours / floor:.1f} | {wanted} | "
              f"{result} |")
    print()
    print("Instructions per record in user space, counted by callgrind over one thread's "
          "records after a warm-up.")
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
