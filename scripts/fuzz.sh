#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/<Name>_fuzz.cpp, clang with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in ./build-fuzz and runs each over its seed corpus for a few seconds.
#
#   bash scripts/fuzz.sh                  every target, 5 seconds each
#   bash scripts/fuzz.sh --seconds 600    every target, ten minutes each
#   bash scripts/fuzz.sh --target Like    one target (its name as in fuzz/, any case)
#
# The committed seeds (fuzz/corpus/<target>/) are only read: inputs a run discovers go to
# build-fuzz/corpus/<target>/. A crash, a sanitizer report, a leak, a timeout or running out of
# memory fails the script, and the input that caused it is left in build-fuzz/findings/<target>/
# (rerun it with: build-fuzz/bin/<Name>_fuzz <file>).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/packages.sh"

seconds=5
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --target) only="$2"; shift 2 ;;
    *) echo "usage: $0 [--seconds N] [--target NAME]" >&2; exit 2 ;;
  esac
done

install_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

BUILD="$ROOT/build-fuzz"
targets=()
for source in "$ROOT"/fuzz/*_fuzz.cpp; do
  name="$(basename "$source" _fuzz.cpp)"
  if [ -z "$only" ] || [ "${name,,}" = "${only,,}" ]; then targets+=("$name"); fi
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz target named $only" >&2
  exit 2
fi

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENDREL_FUZZ=ON -DPENDREL_WERROR=ON >/dev/null
build_targets=()
for name in "${targets[@]}"; do build_targets+=(--target "${name}_fuzz"); done
cmake --build "$BUILD" -j "$(nproc)" "${build_targets[@]}"

# The longest input each target is given: enough for the largest real file of its kind that
# still finds something new, small enough that every run stays fast.
max_len() {
  case "${1,,}" in
    pagedocument | bookmarkfile | pageforms) echo 65536 ;;
    registryscript | hive | internetshortcut | scriptreader | responsehead | metarefresh) echo 16384 ;;
    *) echo 4096 ;;
  esac
}

# A report stops the run at once; leaks are looked for after each input and when the run ends.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# run NAME: one target over its seeds; its log is build-fuzz/findings/<name>.log, and a failure
# leaves build-fuzz/findings/<name>.failed beside it.
run() {
  local name="$1" lower="${1,,}"
  local scratch="$BUILD/corpus/$lower" findings="$BUILD/findings/$lower" log="$BUILD/findings/$lower.log"
  mkdir -p "$scratch" "$findings"
  rm -f "$BUILD/findings/$lower.failed"
  local options=(-max_total_time="$seconds" -max_len="$(max_len "$name")" -timeout=10 -rss_limit_mb=2048
                 -artifact_prefix="$findings/" -print_final_stats=1)
  local dictionary="$ROOT/fuzz/dictionaries/$lower.dict"
  if [ -f "$dictionary" ]; then options+=(-dict="$dictionary"); fi
  if "$BUILD/bin/${name}_fuzz" "${options[@]}" "$scratch" "$ROOT/fuzz/corpus/$lower" >"$log" 2>&1; then
    echo "$name: $(grep -E '^stat::number_of_executed_units' "$log" | grep -oE '[0-9]+$') executions in $seconds s, clean"
  else
    touch "$BUILD/findings/$lower.failed"
    {
      echo "$name FAILED (log: $log; input: $findings/)"
      grep -E 'ERROR|fuzz finding|SUMMARY|Test unit written' "$log" || tail -20 "$log"
    } >&2
  fi
}

# As many targets at a time as there are processors.
running=0
for name in "${targets[@]}"; do
  run "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

failed=0
for name in "${targets[@]}"; do
  if [ -e "$BUILD/findings/${name,,}.failed" ]; then failed=1; fi
done
exit "$failed"
