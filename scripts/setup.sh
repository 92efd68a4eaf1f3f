#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing) and configures and builds
# the project in ./build. Sourced by run.sh and test.sh.
set -euo pipefail

PACKAGES=(g++ cmake make pkg-config libsqlite3-dev libcurl4-openssl-dev libgumbo-dev libre2-dev
          libcpp-httplib-dev libgtest-dev libgmock-dev libbenchmark-dev)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${PENDREL_CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
