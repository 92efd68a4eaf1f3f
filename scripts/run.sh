#!/usr/bin/env bash
# The main job, for a newcomer: builds only what it needs (the pendrel program and the band
# library, and the desktop program where a display is open: no tests, no benchmarks), installs
# Pendrel for this user (data folder, database, help pages, settings, and the band's registration
# with the browser), and opens the browser window with the toolbar on the help page: the desktop
# window (pendrel-browser) where a display is open and it could be built, else the window in the
# terminal, which at a terminal reads commands at a prompt and otherwise reads them from standard
# input and ends at its end. Arguments go to `pendrel install` (for example --data DIR).
#
# PENDREL_BUILD_DIR builds elsewhere than ./build. PENDREL_RUN_PLAN=1 only configures and prints
# what would be built (`build: TARGET...`) and opened (`open: PROGRAM`), installing no packages
# and building, installing and opening nothing.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${PENDREL_BUILD_DIR:-$ROOT/build}"
plan_only="${PENDREL_RUN_PLAN:-}"
source "$ROOT/scripts/packages.sh"
if [ -z "$plan_only" ]; then install_packages "${BUILD_PACKAGES[@]}"; fi
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENDREL_TESTS=OFF -DPENDREL_BENCH=OFF \
      -DPENDREL_WERROR=ON >/dev/null
targets=(pendrel PendrelBand)
program=pendrel
# Configuring records whether GTK and WebKitGTK were found, and so whether pendrel-browser is built.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] &&
   grep -qx 'PENDREL_DESKTOP_HOST:INTERNAL=ON' "$BUILD/CMakeCache.txt"; then
  program=pendrel-browser
  targets+=(pendrel-browser)
fi
if [ -n "$plan_only" ]; then
  echo "build: ${targets[*]}"
  echo "open: $program"
  exit 0
fi
cmake --build "$BUILD" -j "$(nproc)" --target "${targets[@]}"
installed="$("$BUILD/bin/pendrel" install "$@")"
printf '%s\n' "$installed"
data="$(printf '%s\n' "$installed" | sed -n 's/^data folder: \(created\|kept\) //p')"
exec "$BUILD/bin/$program" "$data/help/help.html"
