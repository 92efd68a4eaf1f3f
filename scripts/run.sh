#!/usr/bin/env bash
# Builds everything and runs the main job: installs Pendrel for this user and shows the store.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
"$BUILD/bin/pendrel" install "$@"
"$BUILD/bin/store-demo"
