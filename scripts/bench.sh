#!/usr/bin/env bash
# Builds the benchmarks in release mode, runs every one of them and prints the table of
# ratios: ours against the peer (spdlog) and against the floor, medians of one run.
# Usage: scripts/bench.sh [Google Benchmark options, e.g. --benchmark_filter=record]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh linux bench

cmake --preset release
cmake --build --preset release -j"$(nproc)" --target addon-bench

json=build/release/bench-results.json
# Repetitions in random order, so that a slow spell of the machine does not fall on one side
# of a comparison only; the table takes the median of each benchmark.
build/release/bin/addon-bench \
  --benchmark_repetitions=10 --benchmark_min_time=0.2 \
  --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json "$@"
echo
python3 bench/bench_table.py "$json"
