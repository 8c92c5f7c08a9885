#!/usr/bin/env bash
# Builds the module and the reference host, then runs the host on the built module.
# Extra arguments go to the host, e.g. scripts/run.sh --drive HX-140 --json
set -euo pipefail
cd "$(dirname "$0")/.."

# Only the host's output goes to standard output (so that --json gives one JSON document);
# installing, configuring and building report on standard error.
scripts/install-deps.sh linux >&2
cmake --preset release >&2
cmake --build --preset release -j"$(nproc)" --target addon-host Addon001 >&2
exec build/release/bin/addon-host "$@"
