#!/usr/bin/env bash
# Builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh linux

echo "== Linux build (warnings are errors)"
cmake --preset ci
cmake --build --preset ci -j"$(nproc)"
ctest --preset ci -j"$(nproc)"

# ---- Reliability: the Linux suite under the sanitizers, and the fuzz targets ----------------
# (docs/reliability.md says what these runs cover.)
echo "== Linux build under AddressSanitizer, LeakSanitizer and UBSan"
cmake --preset asan
cmake --build --preset asan -j"$(nproc)"
ctest --preset asan -j"$(nproc)"

echo "== Linux build under ThreadSanitizer"
cmake --preset tsan
cmake --build --preset tsan -j"$(nproc)"
ctest --preset tsan -j"$(nproc)"

echo "== Fuzz targets (clang, libFuzzer with AddressSanitizer and UBSan), bounded runs"
scripts/install-deps.sh fuzz
cmake --preset fuzz
cmake --build --preset fuzz -j"$(nproc)"
ctest --preset fuzz -j"$(nproc)"
# ---- end of the reliability block -----------------------------------------------------------
