#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UBSan) and runs each for a
# while. What a target finds stays in build/fuzz/long-corpus/<target> and grows from run to run;
# an input that breaks a target is written to build/fuzz/ as crash-* (rerun it by passing the
# file to the target).
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]   (default: 300 seconds, every target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-300}
[ $# -eq 0 ] || shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  targets=(drive_info_fuzzer feature_lookup_fuzzer format_bytes_fuzzer hex_string_fuzzer
           text_conversion_fuzzer log_record_fuzzer result_channel_fuzzer)

scripts/install-deps.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  corpus=build/fuzz/long-corpus/$target
  mkdir -p "$corpus"
  limit=(-max_total_time="$seconds")
  # The log reader's record assembly: a million inputs at least, however long they take.
  [ "$target" != log_record_fuzzer ] || limit=(-runs=1000000)
  echo "== $target: ${limit[*]}"
  "build/fuzz/bin/$target" "${limit[@]}" -print_final_stats=1 \
    -artifact_prefix=build/fuzz/ "$corpus" "fuzz/corpus/$target"
done
