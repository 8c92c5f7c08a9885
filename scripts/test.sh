#!/usr/bin/env bash
# Builds and runs the whole test suite: the Linux build (with a short run of every benchmark),
# the same suite under AddressSanitizer with UBSan and under ThreadSanitizer, bounded runs of
# the fuzz targets, then the Windows build (cross-built with MinGW-w64, its tests run under
# Wine), whose host must print the same --json document as the Linux host.
#
#   scripts/test.sh               the whole suite, as CI runs it
#   scripts/test.sh --stress N    the tests that start processes or wait for time (CTest label
#                                 "processes") of the ci, asan and tsan builds, and every test of
#                                 the Windows build, N times each while a CPU-bound job keeps
#                                 every core busy; stops a suite at its first failure
set -euo pipefail
cd "$(dirname "$0")/.."

stress=0
case "${1:-}" in
  "") ;;
  --stress)
    stress=${2:-}
    case "$stress" in
      '' | *[!0-9]* | 0) echo "test.sh: --stress needs a number of runs, 1 or more" >&2; exit 1 ;;
    esac ;;
  *) echo "test.sh: unknown option '$1' (usage: scripts/test.sh [--stress N])" >&2; exit 1 ;;
esac

scripts/install-deps.sh linux bench fuzz windows

# Configures, builds and tests one preset; extra arguments go to the configure step.
suite() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@"
  cmake --build --preset "$preset" -j"$(nproc)"
  ctest --preset "$preset" -j"$(nproc)"
}

if [ "$stress" -gt 0 ]; then
  reference="-DADDON_REFERENCE_HOST=$PWD/build/ci/bin/addon-host"
  for preset in ci asan tsan windows; do
    extra=()
    [ "$preset" = windows ] && extra=(-DADDON_WARNINGS_AS_ERRORS=ON "$reference")
    cmake --preset "$preset" "${extra[@]}" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
  done
  # One busy loop per core, for as long as the runs take.
  burners=()
  for _ in $(seq "$(nproc)"); do
    sh -c 'while :; do :; done' &
    burners+=($!)
  done
  trap 'kill "${burners[@]}" 2>/dev/null' EXIT
  failed=()
  for preset in ci asan tsan windows; do
    label=(-L processes)
    [ "$preset" = windows ] && label=()
    # A label that names no test would make the whole run pass without running anything.
    if ! ctest --preset "$preset" "${label[@]}" -N | grep -q '^Total Tests: [1-9]'; then
      echo "test.sh: the $preset build has no test labelled 'processes'" >&2
      failed+=("$preset")
      continue
    fi
    echo "== $preset: ${label[*]:-every test} $stress times beside ${#burners[@]} busy loops"
    ctest --preset "$preset" "${label[@]}" -j"$(nproc)" --repeat until-fail:"$stress" ||
      failed+=("$preset")
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "test.sh: --stress $stress failed in: ${failed[*]}" >&2
    exit 1
  fi
  echo "test.sh: --stress $stress passed in ci, asan, tsan and windows"
  exit 0
fi

echo "== Linux build (warnings are errors)"
suite ci

# The whole project once more with the shared logging library, in a folder of its own (the
# release folder stays static for scripts/bench.sh); its packages include libaddonlog1, which
# the Debian package test checks, and the logging library's and the shipping tests run on it.
echo "== Linux build with the shared logging library, and its packages"
cmake --preset release -DADDONLOG_SHARED=ON -B build/release-shared
cmake --build build/release-shared -j"$(nproc)"
ctest --test-dir build/release-shared -j"$(nproc)" --output-on-failure \
  -R '^(log_|line_stream|addon_log|debian_package|install_tree|addon_kit|shared_logging)'
(cd build/release-shared && cpack)
ls build/release-shared/packages/libaddonlog1_*.deb

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
