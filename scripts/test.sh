#!/usr/bin/env bash
# Builds and runs the whole test suite: the Linux build, then the Windows build (cross-built
# with MinGW-w64, its tests run under Wine), whose host must print the same --json document
# as the Linux host.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh linux windows

echo "== Linux build (warnings are errors)"
cmake --preset ci
cmake --build --preset ci -j"$(nproc)"
ctest --preset ci -j"$(nproc)"

echo "== Windows build (MinGW-w64, tests under Wine; warnings are errors)"
cmake --preset windows -DADDON_WARNINGS_AS_ERRORS=ON \
  -DADDON_REFERENCE_HOST="$PWD/build/ci/bin/addon-host"
cmake --build --preset windows -j"$(nproc)"
ctest --preset windows -j"$(nproc)"
