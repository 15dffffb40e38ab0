#!/usr/bin/env bash
# Optimised build, a demo database from the stand-in's admin tool, and an
# unload of its EMP table as CSV, printed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quillet2_require_packages "${QUILLET2_BUILD_PACKAGES[@]}"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET2_TESTS=OFF >/dev/null
cmake --build build-release -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
bin=$PWD/build-release
work=$(mktemp -d "${TMPDIR:-/tmp}/quillet2-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "\$ ocilite demo.db --demo"
"$bin/ocilite/ocilite" demo.db --demo
echo "\$ quillet2 user=scott/tiger@demo.db query=emp text=CSV file=emp.csv"
"$bin/src/quillet2" user=scott/tiger@demo.db query=emp text=CSV file=emp.csv
echo "\$ cat emp.csv"
cat emp.csv
