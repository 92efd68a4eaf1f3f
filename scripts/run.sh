#!/usr/bin/env bash
# Builds everything and runs the main job: installs Pendrel for this user, shows the store, and
# opens the browser window with the toolbar on the help page. At a terminal the window reads
# commands at a prompt; otherwise it reads them from standard input and ends at its end.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
installed="$("$BUILD/bin/pendrel" install "$@")"
printf '%s\n' "$installed"
data="$(printf '%s\n' "$installed" | sed -n 's/^data folder: \(created\|kept\) //p')"
"$BUILD/bin/store-demo"
exec "$BUILD/bin/pendrel" "$data/help/help.html"
