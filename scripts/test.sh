#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzz targets when
# clang++ is installed. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quillet2_require_packages "${QUILLET2_BUILD_PACKAGES[@]}" "${QUILLET2_TEST_PACKAGES[@]}"

jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {  # build folder, extra cmake arguments...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DQUILLET2_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs"
}

echo "== normal build =="
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== sanitizer build (ASan + UBSan) =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLET2_SANITIZE=ON

# The libFuzzer targets, each for a bounded time, when clang is installed.
# A crash (the reproducer lands in build-fuzz/) fails the script.
run_fuzzers() {
  cmake -S . -B build-fuzz -G Ninja -DQUILLET2_TESTS=OFF -DQUILLET2_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  local names=() f
  for f in fuzz/fuzz_*.cpp; do names+=("$(basename "$f" .cpp)"); done
  cmake --build build-fuzz -j "$jobs" --target "${names[@]}"
  for f in "${names[@]}"; do
    echo "-- $f (${QUILLET2_FUZZ_SECONDS:-20} s)"
    if ! "build-fuzz/fuzz/$f" -max_total_time="${QUILLET2_FUZZ_SECONDS:-20}" -artifact_prefix=build-fuzz/ \
        >"build-fuzz/$f.log" 2>&1; then
      tail -n 40 "build-fuzz/$f.log"
      echo "fuzzer $f failed" >&2
      return 1
    fi
  done
}

if command -v clang++ >/dev/null; then
  echo "== fuzzers =="
  run_fuzzers
else
  echo "== fuzzers skipped: no clang++ =="
fi

echo "all suites passed"
