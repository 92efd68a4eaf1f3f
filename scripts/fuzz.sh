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

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENDREL_FUZZ=ON >/dev/null
build_targets=()
for name in "${targets[@]}"; do build_targets+=(--target "${name}_fuzz"); done
cmake --build "$BUILD" -j "$(nproc)" "${build_targets[@]}"

# The longest input each target is given: enough for the largest real file of its kind that
# still finds something new, small enough that every run stays fast.
max_len() {
  case "${1,,}" in
    pagedocument | bookmarkfile) echo 65536 ;;
    registryscript | hive | internetshortcut | scriptreader | responsehead | metarefresh) echo 16384 ;;
    *) echo 4096 ;;
  esac
}

# A report stops the run at once; leaks are looked for after each input and when the run ends.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

failed=0
for name in "${targets[@]}"; do
  lower="${name,,}"
  scratch="$BUILD/corpus/$lower"
  findings="$BUILD/findings/$lower"
  mkdir -p "$scratch" "$findings"
  options=(-max_total_time="$seconds" -max_len="$(max_len "$name")" -timeout=10 -rss_limit_mb=2048
           -artifact_prefix="$findings/" -print_final_stats=1)
  dictionary="$ROOT/fuzz/dictionaries/$lower.dict"
  if [ -f "$dictionary" ]; then options+=(-dict="$dictionary"); fi
  log="$BUILD/findings/$lower.log"
  echo "== $name: $seconds s"
  if "$BUILD/bin/${name}_fuzz" "${options[@]}" "$scratch" "$ROOT/fuzz/corpus/$lower" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units' "$log" || true
  else
    failed=1
    echo "$name FAILED (see $log; the input is in $findings/)" >&2
    grep -E 'ERROR|fuzz finding|SUMMARY|Test unit written' "$log" >&2 || tail -20 "$log" >&2
  fi
done
exit "$failed"
