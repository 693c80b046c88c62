#!/usr/bin/env bash
# Set-up, build and run every test: once in a normal build, once with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLOMIR_BUILD_APP=ON -DTALLOMIR_BUILD_TESTS=ON -DTALLOMIR_BUILD_BENCH=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTALLOMIR_SANITIZE=ON -DTALLOMIR_BUILD_APP=ON -DTALLOMIR_BUILD_TESTS=ON -DTALLOMIR_BUILD_BENCH=OFF
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j"$jobs"
