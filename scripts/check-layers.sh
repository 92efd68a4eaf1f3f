#!/usr/bin/env bash
# Fails when an include or a link crosses a layer the wrong way.
#
#   platform/   the operating system's stand-ins: includes only platform/
#   published/  what the band publishes to its hosts: includes only platform/ and published/
#   the system  band/ toolbar/ store/ events/ links/ reports/ resources/: never a host header
#   host/       never a header of the system (only platform/ and published/); core/ knows no
#               front and no browser of a front (engine/, cli/, gtk/); engine/ knows only itself;
#               the fronts (cli/, gtk/) know core/ and the engine's documents, never each other
#
# With a build folder (default ./build) it also reads what the programs link: the hosts link no
# library of the system (the band is loaded at run time, through its entry points), the platform
# library links none either.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
BUILD="${1:-build}"

SYSTEM='band|toolbar|store|events|links|reports|resources'
failures=0

# forbid FOLDER PATTERN WHY: every #include "X" in FOLDER whose X matches PATTERN is a failure.
forbid() {
  local folder="$1" pattern="$2" why="$3" hits
  hits=$(grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]+\"($pattern)/" "$folder" || true)
  if [ -n "$hits" ]; then
    echo "layers: $why:"
    echo "$hits" | sed 's/^/  /'
    failures=$((failures + 1))
  fi
}

forbid platform "$SYSTEM|published|host" "the platform includes a header above it"
forbid published "$SYSTEM|host" "a published header includes the system or a host"
for dir in band toolbar store events links reports resources; do
  [ -d "$dir" ] && forbid "$dir" "host" "the system includes a host header"
done
forbid host "$SYSTEM" "a host includes a header of the system (use published/)"
forbid host/core "host/(engine|cli|gtk)" "the host core includes a front or a front's browser"
forbid host/engine "host/(core|cli|gtk)" "the engine includes another part of the host"
forbid host/cli "host/gtk" "the terminal host includes the desktop host"
forbid host/gtk "host/cli" "the desktop host includes the terminal host"

# needed FILE: the libraries FILE names as needed, one a line.
needed() { readelf -d "$1" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
# forbid_link FILE PATTERN WHY
forbid_link() {
  local file="$BUILD/bin/$1" hits
  [ -e "$file" ] || return 0
  hits=$(needed "$file" | grep -E "$2" || true)
  if [ -n "$hits" ]; then
    echo "layers: $3: $1 needs $(echo $hits)"
    failures=$((failures + 1))
  fi
}
if [ -d "$BUILD/bin" ]; then
  forbid_link pendrel 'PendrelBand' "a host links the band library"
  forbid_link pendrel-browser 'PendrelBand' "a host links the band library"
  forbid_link libpendrel-platform.so 'PendrelBand' "the platform library links the band library"
fi

if [ "$failures" -gt 0 ]; then
  echo "layers: $failures crossing(s) the wrong way"
  exit 1
fi
echo "layers: every include and link points the right way"
