#!/usr/bin/env bash
# Builds and runs the benchmarks (Google Benchmark); figures are medians over repetitions.
set -euo pipefail
export PENDREL_CMAKE_ARGS="-DPENDREL_BENCH=ON"
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
"$BUILD/bin/pendrel_bench" "$@"
