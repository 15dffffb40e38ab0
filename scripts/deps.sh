#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Sourced by test.sh and demo.sh; takes the package names as arguments.
quillet2_require_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null || {
    echo "apt-get install failed for: ${missing[*]}" >&2
    exit 1
  }
}

QUILLET2_BUILD_PACKAGES=(cmake ninja-build g++ pkgconf zlib1g-dev libdeflate-dev libzstd-dev libsqlite3-dev sqlite3)
QUILLET2_TEST_PACKAGES=(libgtest-dev libgmock-dev python3 gzip zstd jq mariadb-server groff-base)
QUILLET2_BENCH_PACKAGES=(libbenchmark-dev time gzip zstd jq)
