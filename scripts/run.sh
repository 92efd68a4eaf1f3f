#!/usr/bin/env bash
# The main job, for a newcomer: builds only what it needs (the pendrel program and the band
# library, and the desktop program where a display is open: no tests, no benchmarks), installs
# Pendrel for this user (data folder, database, help pages, settings, and the band's registration
# with the browser), and opens the browser window with the toolbar on the help page: the desktop
# window (pendrel-browser) where a display is open and it could be built, else the window in the
# terminal, which at a terminal reads commands at a prompt and otherwise reads them from standard
# input and ends at its end. Arguments go to `pendrel install` (for example --data DIR).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"
source "$ROOT/scripts/packages.sh"
install_packages "${BUILD_PACKAGES[@]}"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENDREL_TESTS=OFF -DPENDREL_BENCH=OFF >/dev/null
targets=(pendrel PendrelBand)
desktop=""
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && cmake --build "$BUILD" --target help | grep -q ' pendrel-browser$'; then
  desktop=1
  targets+=(pendrel-browser)
fi
cmake --build "$BUILD" -j "$(nproc)" --target "${targets[@]}"
installed="$("$BUILD/bin/pendrel" install "$@")"
printf '%s\n' "$installed"
data="$(printf '%s\n' "$installed" | sed -n 's/^data folder: \(created\|kept\) //p')"
if [ -n "$desktop" ]; then exec "$BUILD/bin/pendrel-browser" "$data/help/help.html"; fi
exec "$BUILD/bin/pendrel" "$data/help/help.html"
