#!/usr/bin/env bash
# Builds and runs the whole test suite: the Linux build (with a short run of every benchmark),
# the same suite under AddressSanitizer with UBSan and under ThreadSanitizer, bounded runs of
# the fuzz targets, then the Windows build (cross-built with MinGW-w64, its tests run under
# Wine), whose host must print the same --json document as the Linux host.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh linux bench fuzz windows

echo "== Linux build (warnings are errors)"
cmake --preset ci
cmake --build --preset ci -j"$(nproc)"
ctest --preset ci -j"$(nproc)"

# ---- Reliability: the Linux suite under the sanitizers, and the fuzz targets ----------------
# (the README's Reliability section says what these runs cover.)
echo "== Linux build under AddressSanitizer, LeakSanitizer and UBSan"
cmake --preset asan
cmake --build --preset asan -j"$(nproc)"
ctest --preset asan -j"$(nproc)"

echo "== Linux build under ThreadSanitizer"
cmake --preset tsan
cmake --build --preset tsan -j"$(nproc)"
ctest --preset tsan -j"$(nproc)"

echo "== Fuzz targets (clang, libFuzzer with AddressSanitizer and UBSan), bounded runs"
cmake --preset fuzz
cmake --build --preset fuzz -j"$(nproc)"
ctest --preset fuzz -j"$(nproc)"
# ---- end of the reliability block -----------------------------------------------------------

echo "== Windows build (MinGW-w64, tests under Wine; warnings are errors)"
cmake --preset windows -DADDON_WARNINGS_AS_ERRORS=ON \
  -DADDON_REFERENCE_HOST="$PWD/build/ci/bin/addon-host"
cmake --build --preset windows -j"$(nproc)"
ctest --preset windows -j"$(nproc)"
