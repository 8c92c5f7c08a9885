#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Usage: scripts/install-deps.sh [linux] [windows] [bench] [fuzz]   (default: linux)
set -euo pipefail

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(linux)

packages=()
for group in "${groups[@]}"; do
  case "$group" in
    linux)
      packages+=(cmake make g++ libboost-dev libboost-thread-dev nlohmann-json3-dev libcli11-dev dpkg-dev file pkgconf
                 libgtest-dev googletest python3 help2man lintian clang libre2-dev) ;;
    windows)
      packages+=(g++-mingw-w64-x86-64-posix wine64 googletest) ;;
    bench)
      packages+=(libbenchmark-dev libspdlog-dev liblog4cplus-dev valgrind python3) ;;
    fuzz)
      packages+=(clang libclang-rt-dev) ;;
    *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}" >&2
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
