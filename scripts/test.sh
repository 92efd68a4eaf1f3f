#!/usr/bin/env bash
# Builds everything and runs every test.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" "$@"
