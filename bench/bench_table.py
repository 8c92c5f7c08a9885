#!/usr/bin/env python3
"""Turns Google Benchmark's JSON output (from addon-bench) into the table of ratios.

Each row sets one of our benchmarks against its peer (spdlog) and its floor (the bare system
calls or container work), all three taken from the same run: the medians when the run had
repetitions, otherwise the single result. The table is printed as Markdown.

Usage: bench_table.py [--filtered] RESULTS.json
Exit status: 0 when every row's benchmarks are present and ran, 1 otherwise (whether the
targets are met is shown in the table, not in the exit status). With --filtered (a run of
some benchmarks only) a row whose own benchmark (ours) did not run is left out; one whose
peer or floor is missing is still a problem, since its ratios cannot be made.
"""
import json
import re
import sys

# label, ours, peer, floor, then the targets: time limit in ns, largest ratio to the peer,
# largest ratio to the floor (None where the row has no such target).
ROWS = [
    ("Statement stopped at its guard, sink closed",
     "guard_sink_closed/ours", "guard/peer", "guard/floor", 1.0, 1.0, None),
    ("Statement stopped at its guard, level above threshold",
     "guard_level_filtered/ours", "guard/peer", "guard/floor", 1.0, 1.0, None),
    ("One rotation (record that rotates)",
     "rotation/ours", "rotation/peer", "rotation/floor", None, None, None),
    # Its floor is a normal record of ours: the row shows what a rotation that keeps failing
    # adds to every record past the limit.
    ("Record while the rotation keeps failing (floor: a normal record)",
     "record_rotation_failing/ours", None, "record_1t/ours", None, None, 1.5),
    ("getFeaturesAndVersions, hit",
     "features_hit/ours", None, "features_hit/floor", None, None, 2.0),
    ("getFeaturesAndVersions, miss",
     "features_miss/ours", None, "features_miss/floor", None, None, 2.0),
    ("getAsFIVector",
     "feature_names/ours", None, "feature_names/floor", None, None, 2.0),
    ("getAsDIVector",
     "drive_infos/ours", None, "drive_infos/floor", None, None, 2.0),
    ("Reading a full log set (7 files, 70 MiB) into a file",
     "log_set_read/ours", None, "log_set_read/floor", None, None, 2.0),
    ("Reading a full log set into /dev/null",
     "log_set_read_null/ours", None, "log_set_read_null/floor", None, None, 2.0),
    ("Reading a full log set into /dev/null, against reading and splitting it alone",
     "log_set_read_null/ours", None, "log_set_split/floor", None, None, None),
    ("Reading a full log set as JSON Lines into a file",
     "log_set_read_json/ours", None, "log_set_read/floor", None, None, None),
    ("Reading a full log set filtered (--level, --grep) into a file",
     "log_set_read_filtered/ours", None, "log_set_read/floor", None, None, None),
    # JSON against our own text output of the same set.
    ("Reading a full log set as JSON Lines, against its text output",
     "log_set_read_json/ours", None, "log_set_read/ours", None, None, 3.0),
    ("Searching a full log set for a word (--grep) against grep",
     "log_set_grep/ours", None, "log_set_grep/floor", None, None, None),
    ("Searching a full log set for a pattern (--grep --regex) against grep -E",
     "log_set_regex/ours", None, "log_set_regex/floor", None, None, None),
]

# The emitted records, each against spdlog, log4cplus and the floor, as medians of the ratios of
# one round (repetition) each: label, benchmark row, then the largest ratios to spdlog,
# log4cplus and the floor (None: no target).
RECORD_ROWS = [
    ("Emitted record, 1 thread", "record_1t", 1.0, 0.5, 1.20),
    ("Emitted record, 2 threads at once", "record_2t", 1.0, 0.5, None),
    ("Record with two numbers, 1 thread", "record_numbers_1t", None, None, None),
]
RECORD_WRITERS = ("ours", "peer", "log4cplus", "floor")

NS_PER_UNIT = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
# What Google Benchmark appends to a benchmark's name for its options.
OPTION_SUFFIX = re.compile(r"/(real_time|manual_time|threads:\d+|min_time:[\d.]+|"
                           r"min_warmup_time:[\d.]+|repeats:\d+|iterations:\d+)")


def base_name(entry):
    return OPTION_SUFFIX.sub("", entry.get("run_name", entry["name"]))


def waits(entry):
    """Benchmarks that wait (for the kernel, for a lock) are timed by the wall clock."""
    return "/real_time" in entry.get("run_name", entry["name"])


def collect(benchmarks, cpu_only=False):
    """Name -> time in ns (median when there are aggregates), and name -> error text.

    Benchmarks that wait count wall-clock time; the others count the thread's CPU time, which
    other processes on a busy machine disturb less. With cpu_only, every benchmark counts CPU
    time (per record over all threads)."""
    medians, singles, errors = {}, {}, {}
    for entry in benchmarks:
        name = base_name(entry)
        if entry.get("error_occurred"):
            errors[name] = entry.get("error_message", "error")
            continue
        clock = "real_time" if waits(entry) and not cpu_only else "cpu_time"
        if clock not in entry:
            continue  # the fitted complexity (BigO, RMS) of a benchmark over sizes: no time
        time_ns = entry[clock] * NS_PER_UNIT[entry.get("time_unit", "ns")]
        if entry.get("run_type") == "aggregate":
            if entry.get("aggregate_name") == "median":
                medians[name] = time_ns
        else:
            singles.setdefault(name, time_ns)
    times = dict(singles)
    times.update(medians)
    return times, errors


def rounds(benchmarks):
    """Name -> {repetition index: wall-clock ns} for the single runs of the benchmarks."""
    result = {}
    for entry in benchmarks:
        if entry.get("run_type") == "aggregate" or entry.get("error_occurred"):
            continue
        time_ns = entry["real_time"] * NS_PER_UNIT[entry.get("time_unit", "ns")]
        result.setdefault(base_name(entry), {})[entry.get("repetition_index", 0)] = time_ns
    return result


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def round_ratio(per_round, ours, other):
    """The median over the rounds both ran of ours / other in the same round."""
    common = set(per_round.get(ours, {})) & set(per_round.get(other, {}))
    if not common:
        return None
    return median(per_round[ours][i] / per_round[other][i] for i in common)


def print_records(benchmarks, problems, filtered):
    per_round = rounds(benchmarks)
    print()
    print("| Record, wall clock per record | ours | spdlog | log4cplus | floor | ours/spdlog | "
          "ours/log4cplus | ours/floor | target | result |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---|---|")
    for label, row, spdlog_max, log4cplus_max, floor_max in RECORD_ROWS:
        names = [f"{row}/{writer}" for writer in RECORD_WRITERS]
        missing = [n for n in names if n not in per_round]
        if filtered and names[0] in missing:
            continue
        if missing:
            problems.append(f"{label}: {', '.join(missing)} missing")
            print(f"| {label} | — | — | — | — | — | — | — | — | not measured |")
            continue
        times = [median(per_round[n].values()) for n in names]
        ratios = [round_ratio(per_round, names[0], other) for other in names[1:]]
        targets, missed = [], []
        for ratio, limit, peer in zip(ratios, (spdlog_max, log4cplus_max, floor_max),
                                      ("spdlog", "log4cplus", "floor")):
            if limit is None:
                continue
            targets.append(f"≤ {limit:g}× {peer}")
            if ratio is None or ratio > limit:
                missed.append(f"{fmt_ratio(ratio)}× {peer}")
        result = "no target" if not targets else ("MISSED: " + ", ".join(missed) if missed
                                                  else "met")
        print(f"| {label} | " + " | ".join(fmt_time(t) for t in times) + " | " +
              " | ".join(fmt_ratio(r) for r in ratios) +
              f" | {', '.join(targets) or '—'} | {result} |")
    print()
    print("Medians over the rounds; each ratio is the median of the ratios of ours to the other "
          "in the same round (repetition), so that a slow spell of the machine falls on both.")
    return {name for row in RECORD_ROWS for name in
            (f"{row[1]}/{writer}" for writer in RECORD_WRITERS)}


def fmt_time(ns):
    if ns is None:
        return "—"
    if ns >= 10e6:
        return f"{ns / 1e6:.1f} ms"
    if ns >= 10000:
        return f"{ns / 1000:.1f} µs"
    if ns >= 100:
        return f"{ns:.0f} ns"
    return f"{ns:.2f} ns"


def fmt_ratio(ratio):
    return "—" if ratio is None else f"{ratio:.2f}"


def main(argv):
    filtered = len(argv) == 3 and argv[1] == "--filtered"
    if filtered:
        argv = argv[:1] + argv[2:]
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as source:
        report = json.load(source)
    times, errors = collect(report.get("benchmarks", []))

    context = report.get("context", {})
    load = context.get("load_avg")
    print(f"Run {context.get('date', '?')} on {context.get('host_name', '?')}: "
          f"{context.get('num_cpus', '?')} CPUs at {context.get('mhz_per_cpu', '?')} MHz"
          + (f", load average {' '.join(f'{x:.2f}' for x in load)}" if load else ""))
    print()
    print("| Benchmark | ours | peer (spdlog) | floor | ours/peer | ours/floor | target | result |")
    print("|---|---:|---:|---:|---:|---:|---|---|")

    problems = []
    used = set()
    for label, ours, peer, floor, limit_ns, peer_max, floor_max in ROWS:
        names = [n for n in (ours, peer, floor) if n]
        used.update(names)
        missing = [n for n in names if n not in times]
        if filtered and ours in missing:
            continue
        if missing:
            why = "; ".join(f"{n}: {errors.get(n, 'missing')}" for n in missing)
            problems.append(f"{label}: {why}")
            print(f"| {label} | — | — | — | — | — | — | not measured ({why}) |")
            continue
        t_ours = times[ours]
        t_peer = times[peer] if peer else None
        t_floor = times[floor] if floor else None
        r_peer = t_ours / t_peer if t_peer else None
        r_floor = t_ours / t_floor if t_floor else None

        targets, missed = [], []
        if limit_ns is not None:
            targets.append(f"≤ {limit_ns:g} ns")
            if t_ours > limit_ns:
                missed.append(f"{fmt_time(t_ours)} > {limit_ns:g} ns")
        if peer_max is not None:
            targets.append(f"≤ {peer_max:g}× peer")
            if r_peer > peer_max:
                missed.append(f"{r_peer:.2f}× peer")
        if floor_max is not None:
            targets.append(f"≤ {floor_max:g}× floor")
            if r_floor > floor_max:
                missed.append(f"{r_floor:.2f}× floor")
        if not targets:
            result = "no target"
        elif missed:
            result = "MISSED: " + ", ".join(missed)
        else:
            result = "met"
        print(f"| {label} | {fmt_time(t_ours)} | {fmt_time(t_peer)} | {fmt_time(t_floor)} | "
              f"{fmt_ratio(r_peer)} | {fmt_ratio(r_floor)} | {', '.join(targets) or '—'} | "
              f"{result} |")

    print()
    print("Medians of the repetitions (or single results). File benchmarks: wall-clock time per "
          "record over all threads; log-set reading: wall-clock time per run of the program; "
          "the others: CPU time per call.")
    used.update(print_records(report.get("benchmarks", []), problems, filtered))

    # The file benchmarks once more by CPU time, which shows what a busy machine adds to
    # their wall-clock times.
    cpu_times, _ = collect(report.get("benchmarks", []), cpu_only=True)
    waiting = {base_name(e) for e in report.get("benchmarks", []) if waits(e)}
    print()
    print("| File benchmark, CPU time | ours | peer | floor | ours/peer | ours/floor |")
    print("|---|---:|---:|---:|---:|---:|")
    for label, ours, peer, floor, *_ in ROWS:
        # Rows without a peer run programs, whose CPU time this process does not see.
        if not peer or ours not in waiting or any(n not in cpu_times for n in (ours, peer, floor)):
            continue
        t_ours = cpu_times[ours]
        t_peer = cpu_times[peer]
        t_floor = cpu_times[floor]
        print(f"| {label} | {fmt_time(t_ours)} | {fmt_time(t_peer)} | {fmt_time(t_floor)} | "
              f"{fmt_ratio(t_ours / t_peer if t_peer else None)} | "
              f"{fmt_ratio(t_ours / t_floor if t_floor else None)} |")
    unused = sorted(set(times) - used)
    if unused:
        print()
        print("Not in the table: " + ", ".join(unused))
    if problems:
        print()
        for problem in problems:
            print("bench_table: " + problem, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
