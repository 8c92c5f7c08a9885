#!/bin/sh
# Runs a test program as an unprivileged user, so that file permissions bind, and fails if the
# program still skipped a test. Exits 77 (reported as skipped) when no such user can be used.
# Usage: run_unprivileged.sh PROGRAM [ARGUMENTS...]
program=$1
shift

if [ "$(id -u)" -ne 0 ]; then
  run() { "$@"; }
else
  user=nobody
  if ! command -v setpriv >/dev/null 2>&1 || ! id "$user" >/dev/null 2>&1; then
    echo "skipped: running as root and no unprivileged user ($user, via setpriv) is available"
    exit 77
  fi
  run() { setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --clear-groups "$@"; }
  if ! run test -x "$program"; then
    echo "skipped: $user may not run $program (a folder on its path is closed to others)"
    exit 77
  fi
fi

# A temporary folder of the unprivileged user's own.
scratch=$(run mktemp -d) || exit 1
output=$(run env TMPDIR="$scratch" "$program" "$@" 2>&1)
status=$?
run rm -rf "$scratch"
printf '%s\n' "$output"
[ "$status" -eq 0 ] || exit "$status"
if printf '%s\n' "$output" | grep -q '^\[  SKIPPED \]'; then
  echo "a test skipped although it ran without privileges"
  exit 1
fi
