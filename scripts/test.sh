#!/usr/bin/env bash
# Builds and runs the whole test suite: the Linux build (with a short run of every benchmark),
# the same suite under AddressSanitizer with UBSan and under ThreadSanitizer, bounded runs of
# the fuzz targets, then the Windows build (cross-built with MinGW-w64, its tests run under
# Wine), whose host must print the same --json document as the Linux host.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh linux bench fuzz windows

# Configures, builds and tests one preset; extra arguments go to the configure step.
suite() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@"
  cmake --build --preset "$preset" -j"$(nproc)"
  ctest --preset "$preset" -j"$(nproc)"
}

echo "== Linux build (warnings are errors)"
suite ci

# ---- Reliability: the Linux suite under the sanitizers, and the fuzz targets ----------------
# (the README's Reliability section says what these runs cover.)
echo "== Linux build under AddressSanitizer, LeakSanitizer and UBSan"
suite asan

echo "== Linux build under ThreadSanitizer"
suite tsan

echo "== Fuzz targets (clang, libFuzzer with AddressSanitizer and UBSan), bounded runs"
suite fuzz
# ---- end of the reliability block -----------------------------------------------------------

echo "== Windows build (MinGW-w64, tests under Wine; warnings are errors)"
suite windows -DADDON_WARNINGS_AS_ERRORS=ON -DADDON_REFERENCE_HOST="$PWD/build/ci/bin/addon-host"
