#!/usr/bin/env bash
# The README's first command, bash scripts/run.sh, builds and opens the desktop window where a display is open
# and the build has one, else the terminal program; its plan mode prints that choice without building.
#   run_test.sh SOURCE_DIR DESKTOP_PROGRAM    (pendrel-browser, or pendrel where it is not built)
set -euo pipefail
source_dir="$1"
desktop="$2"
scratch="$(mktemp -d)"
xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
# expect WHAT ACTUAL WANTED
expect() {
  if [ "$2" != "$3" ]; then
    echo "FAILED: $1: got '$2', wanted '$3'" >&2
    failures=$((failures + 1))
  fi
}
# plan [VAR=VALUE...]: run.sh's plan with the given environment, without any display of the caller's.
plan() {
  env -u DISPLAY -u WAYLAND_DISPLAY "$@" PENDREL_BUILD_DIR="$scratch/build" PENDREL_RUN_PLAN=1 \
      bash "$source_dir/scripts/run.sh" --data "$scratch/data"
}

# No display: the terminal program, and nothing of the desktop window is built.
out="$(plan)"
expect "open, without a display" "$(sed -n 's/^open: //p' <<<"$out")" pendrel
expect "build, without a display" "$(sed -n 's/^build: //p' <<<"$out")" "pendrel PendrelBand"

# A display open (an X server of the test's own): the desktop window, built with the rest.
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
for _ in $(seq 1 100); do
  if [ -s "$scratch/display" ]; then break; fi
  sleep 0.1
done
display="$(head -n 1 "$scratch/display")"
[ -n "$display" ] || { echo "FAILED: Xvfb did not open a display: $(cat "$scratch/xvfb.log")" >&2; exit 1; }
out="$(plan DISPLAY=":$display")"
expect "open, with a display" "$(sed -n 's/^open: //p' <<<"$out")" "$desktop"
wanted="pendrel PendrelBand"
if [ "$desktop" = pendrel-browser ]; then wanted+=" pendrel-browser"; fi
expect "build, with a display" "$(sed -n 's/^build: //p' <<<"$out")" "$wanted"

# A Wayland session counts as a display too.
out="$(plan WAYLAND_DISPLAY=wayland-0)"
expect "open, under Wayland" "$(sed -n 's/^open: //p' <<<"$out")" "$desktop"

# Nothing was installed or built: the plan leaves no data folder and no program.
expect "made by the plan" "$(ls -d "$scratch/data" "$scratch/build/bin/pendrel" 2>/dev/null || true)" ""
if [ "$failures" -ne 0 ]; then exit 1; fi
echo "run.sh opens pendrel without a display and $desktop with one"
