#!/usr/bin/env bash
# Builds the benchmarks in release mode, runs every one of them and prints the table of
# ratios: ours against the peers (spdlog, log4cplus) and against the floor, medians of one run;
# then the instructions per record of the same records, counted by callgrind.
# Usage: scripts/bench.sh [Google Benchmark options, e.g. --benchmark_filter=record]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh linux bench

cmake --preset release
cmake --build --preset release -j"$(nproc)" --target addon-bench addon-bench-instructions

json=build/release/bench-results.json
# Repetitions in random order, so that a slow spell of the machine does not fall on one side
# of a comparison only; the table takes the median of each benchmark.
build/release/bin/addon-bench \
  --benchmark_repetitions=10 --benchmark_min_time=0.2 \
  --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json "$@"
echo
# A run of some benchmarks only (options given) leaves the other rows out of the table. The
# instruction counts come whatever the table says; the table's status is the script's.
filtered=()
[ $# -eq 0 ] || filtered=(--filtered)
table=0
python3 bench/bench_table.py "${filtered[@]}" "$json" || table=$?

# Instructions per record, which hold still on a shared machine: the same records under
# callgrind, which counts user-space instructions (a minute or so).
echo
counts=build/release/callgrind
rm -rf "$counts" && mkdir -p "$counts"
(cd "$counts" && valgrind --tool=callgrind --callgrind-out-file=callgrind.%p.out \
  ../bin/addon-bench-instructions 20000 > /dev/null 2> valgrind.log)
python3 bench/instruction_table.py "$counts"/callgrind.*.out.*
exit "$table"
