#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing) and configures and builds
# everything, tests included, in ./build. Sourced by test.sh and bench.sh.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/packages.sh"
install_packages

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENDREL_TESTS=ON -DPENDREL_WERROR=ON ${PENDREL_CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
