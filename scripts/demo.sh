#!/usr/bin/env bash
# Release build, then the program's help screen.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quillet2_require_packages "${QUILLET2_BUILD_PACKAGES[@]}"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET2_TESTS=OFF >/dev/null
cmake --build build-release -j "$(nproc 2>/dev/null || echo 2)"
./build-release/quillet2 || true
