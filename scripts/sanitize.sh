#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer in ./build-asan and runs
# every test, then with ThreadSanitizer in ./build-tsan and runs the tests of the subsystems that
# use threads. A sanitizer report fails the test that caused it, and so this script (after both
# runs, so that one run's failures do not hide the other's).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/packages.sh"
install_packages

# build DIR SANITIZERS [TARGET...]: configures and builds DIR (all targets when none are named).
build() {
  local dir="$ROOT/$1" sanitizers="$2" targets=() target
  shift 2
  for target in "$@"; do targets+=(--target "$target"); done
  cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENDREL_SANITIZE="$sanitizers" -DPENDREL_WERROR=ON \
        -DPENDREL_BENCH=OFF >/dev/null
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}

# Stops at the first report; leaks are looked for when each test program ends. The runtime's
# tracking of dynamically loaded libraries' thread-local blocks misreads this glibc's layout now and
# then, and the leak check then dies with "Tracer caught signal 11" in a program that passed (seen
# in the desktop browser, whose WebKit threads use such blocks); without that tracking the leak
# check scans every thread's stack and static thread-local block as before.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:intercept_tls_get_addr=0"
# The desktop window's libraries keep some memory for the life of the process (see the file).
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan-suppressions.txt"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$ROOT/scripts/tsan-suppressions.txt"

failed=0
build build-asan address,undefined
(cd "$ROOT/build-asan" && ctest --output-on-failure --no-tests=error -j "$(nproc)") || failed=1

# The subsystems with threads: the window system's message queues and posting from workers
# (platform), several connections on one database file (store), the browser engine's helper
# threads on large pages and its test servers (host), the link checker and the repair job on its
# worker thread with its stop request (links), and the toolbar that starts, releases and stops
# that job (toolbar). Each test program is labelled by its folder.
build build-tsan thread platform_tests store_tests host_tests links_tests toolbar_tests pendrel
# ThreadSanitizer's memory layout does not fit every address randomisation newer kernels use
# ("unexpected memory mapping"); the tests run without randomisation where the system allows it.
norandom=()
if setarch "$(uname -m)" -R true 2>/dev/null; then norandom=(setarch "$(uname -m)" -R); fi
# The load test (tests/toolbar/RepairUnderLoad_test.cpp) runs a fifth of its counts here: each of
# its steps costs many times as much under ThreadSanitizer, and a fifth already interleaves the
# repair job's writes with thousands of the user-interface thread's.
(cd "$ROOT/build-tsan" && export PENDREL_LOAD_DIVISOR=5 &&
  "${norandom[@]}" ctest --output-on-failure --no-tests=error -j "$(nproc)" -L '^(platform|store|host|links|toolbar)$') || failed=1
exit "$failed"
