#!/usr/bin/env bash
# Builds the module and the reference host, then runs the host on the built module.
# Extra arguments go to the host, e.g. scripts/run.sh --drive HX-140 --json
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh linux
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target addon-host Addon001
exec build/release/bin/addon-host "$@"
