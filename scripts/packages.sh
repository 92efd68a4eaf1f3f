#!/usr/bin/env bash
# The Debian packages the build needs, and install_packages, which installs those missing.
# Sourced by setup.sh, run.sh, sanitize.sh, fuzz.sh and package.sh.

# What the program and the band library need to be built.
# GTK 3 and WebKitGTK are for the desktop window, pendrel-browser.
BUILD_PACKAGES=(g++ cmake make pkg-config libsqlite3-dev libcurl4-openssl-dev libgumbo-dev libre2-dev
                libedit-dev libgtk-3-dev libwebkit2gtk-4.1-dev)
# What the tests and the benchmarks need besides.
# Xvfb is the X server the desktop window's tests run on.
TEST_PACKAGES=(libcpp-httplib-dev libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth)
PACKAGES=("${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}")
# What the fuzz build needs besides the build packages: clang and its libFuzzer runtime.
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
# What making the Debian packages needs besides the build packages: Debian's build flags and
# dpkg-shlibdeps (dpkg-dev), and file, with which CPack finds the binaries whose libraries become
# each package's dependencies.
PACKAGE_PACKAGES=(dpkg-dev file)

# install_packages [PACKAGE...]: installs those of the packages (default: all of PACKAGES) that
# are missing.
install_packages() {
  local missing=() package
  if [ $# -eq 0 ]; then set -- "${PACKAGES[@]}"; fi
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
