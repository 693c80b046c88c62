#!/bin/sh
# Builds a fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for the given number of seconds
# (default 60) on a copy of its corpus in the build folder, where new
# interesting inputs collect; crashes are written to BUILD_DIR/artifacts.
# TARGET is fuzz_load (loading UBL, corpus fuzz/corpus, the default) or
# fuzz_pdf (opening received PDFs, corpus fuzz/corpus-pdf).
#
#   scripts/fuzz.sh [SECONDS] [BUILD_DIR] [TARGET]
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-"$root/build-fuzz"}
target=${3:-fuzz_load}
case "$target" in
fuzz_load) corpus="$root/fuzz/corpus" work="$build/fuzz-corpus" options="-dict=$root/fuzz/ubl.dict -max_len=65536" ;;
fuzz_pdf) corpus="$root/fuzz/corpus-pdf" work="$build/fuzz-pdf-corpus" options="-max_len=262144" ;;
*) echo "unknown fuzz target: $target (fuzz_load or fuzz_pdf)" >&2; exit 2 ;;
esac

CC=clang CXX=clang++ cmake -S "$root" -B "$build" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTALLOMIR_FUZZ=ON -DTALLOMIR_BUILD_APP=OFF -DTALLOMIR_BUILD_TESTS=OFF -DTALLOMIR_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
    >/dev/null
cmake --build "$build" --target "$target" -j2

mkdir -p "$work" "$build/artifacts"
cp "$corpus"/* "$work"/

cd "$build"
# shellcheck disable=SC2086 # the options are words
exec ./fuzz/"$target" "$work" \
    $options \
    -max_total_time="$seconds" \
    -rss_limit_mb=2048 \
    -timeout=10 \
    -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/"
