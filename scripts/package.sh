#!/usr/bin/env bash
# Makes the Debian packages in ./build-package/packages: pendrel (the terminal program, the toolbar
# and platform libraries, the help pages and the manual page) and, where GTK and WebKitGTK are
# found, pendrel-browser (the desktop window). Installs what it needs that is missing, then builds
# the program without tests or benchmarks, with Debian's build flags (dpkg-buildflags: optimisation,
# stack protection, source fortification, format checks, hardened linking) and warnings as errors.
#
#   bash scripts/package.sh
#   apt-get install ./build-package/packages/pendrel_*.deb            the terminal program
#   apt-get install ./build-package/packages/pendrel-browser_*.deb    and the desktop window
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/packages.sh"
install_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

BUILD="$ROOT/build-package"
OUT="$BUILD/packages"
# Every hardening Debian offers, unless the caller chose otherwise. The flags are read in the
# source folder, so that the paths built into the binaries (-ffile-prefix-map) are relative to it.
export DEB_BUILD_MAINT_OPTIONS="${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}"
cd "$ROOT"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
# Release without its own optimisation level: Debian's flags choose it; NDEBUG as in any release.
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
      -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
      -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
      -DPENDREL_WERROR=ON -DPENDREL_TESTS=OFF -DPENDREL_BENCH=OFF ${PENDREL_CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

# CPack's working files stay in the build folder; only the packages land in OUT.
rm -rf "$OUT" "$BUILD/cpack"
if ! (cd "$BUILD" && cpack -G DEB -B "$BUILD/cpack" >"$BUILD/cpack.log" 2>&1); then
  cat "$BUILD/cpack.log" >&2
  exit 1
fi
mkdir -p "$OUT"
mv "$BUILD"/cpack/*.deb "$OUT"/
for deb in "$OUT"/*.deb; do
  echo "$deb: $(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version), $(du -k "$deb" | cut -f1) KiB"
done
