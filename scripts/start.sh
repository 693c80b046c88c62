#!/usr/bin/env bash
# Set-up, build and start the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLOMIR_BUILD_APP=ON -DTALLOMIR_BUILD_TESTS=OFF -DTALLOMIR_BUILD_BENCH=OFF
cmake --build build --target tallomir tallomir-cli -j"$(nproc)"
exec build/src/app/tallomir "$@"
