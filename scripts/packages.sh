#!/usr/bin/env bash
# The Debian packages the build needs, and install_packages, which installs those missing.
# Sourced by setup.sh and sanitize.sh.

PACKAGES=(g++ cmake make pkg-config libsqlite3-dev libcurl4-openssl-dev libgumbo-dev libre2-dev
          libcpp-httplib-dev libgtest-dev libgmock-dev libbenchmark-dev)

install_packages() {
  local missing=() package
  for package in "${PACKAGES[@]}"; do
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
