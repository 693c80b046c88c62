#!/bin/sh
# Builds the loading fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for the given number of seconds
# (default 60) on a copy of fuzz/corpus in the build folder, where new
# interesting inputs collect; crashes are written to BUILD_DIR/artifacts.
#
#   scripts/fuzz.sh [SECONDS] [BUILD_DIR]
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-"$root/build-fuzz"}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTALLOMIR_FUZZ=ON -DTALLOMIR_BUILD_APP=OFF -DTALLOMIR_BUILD_TESTS=OFF -DTALLOMIR_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
    >/dev/null
cmake --build "$build" --target fuzz_load -j2

work="$build/fuzz-corpus"
mkdir -p "$work" "$build/artifacts"
cp "$root"/fuzz/corpus/* "$work"/

cd "$build"
exec ./fuzz/fuzz_load "$work" \
    -dict="$root/fuzz/ubl.dict" \
    -max_total_time="$seconds" \
    -max_len=65536 \
    -rss_limit_mb=2048 \
    -timeout=10 \
    -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/"
