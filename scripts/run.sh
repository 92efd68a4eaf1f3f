#!/usr/bin/env bash
# The main job, for a newcomer: builds only what it needs (the pendrel program and the band
# library: no tests, no benchmarks), installs Pendrel for this user (data folder, database, help
# pages, settings, and the band's registration with the browser), and opens the browser window
# with the toolbar on the help page. At a terminal the window reads commands at a prompt;
# otherwise it reads them from standard input and ends at its end. Arguments go to
# `pendrel install` (for example --data DIR).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"
source "$ROOT/scripts/packages.sh"
install_packages "${BUILD_PACKAGES[@]}"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENDREL_TESTS=OFF -DPENDREL_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target pendrel PendrelBand
installed="$("$BUILD/bin/pendrel" install "$@")"
printf '%s\n' "$installed"
data="$(printf '%s\n' "$installed" | sed -n 's/^data folder: \(created\|kept\) //p')"
exec "$BUILD/bin/pendrel" "$data/help/help.html"
