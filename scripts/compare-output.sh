#!/usr/bin/env bash
# Compares the files two versions of the program write, byte for byte.
#
#   scripts/compare-output.sh [BASE_COMMIT]
#
# Builds BASE_COMMIT (by default the last commit before the core was
# reshaped into model, form and syntax tables) and the working tree, then has
# both versions of tallomir-cli
#   - `roundtrip` every file of ../shared/testdata/xrechnung-*-samples, and
#   - `build` every JSON input the tests enter (collected by running the
#     working tree's tests with TALLOMIR_JSON_CASES set),
# and compares the written bytes and the exit codes. Prints the counts; the
# exit code is 0 only when everything is identical. Work folder:
# build-compare (COMPARE_DIR names another).
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-bdc8ebda431115557485c2f333f98907a08348d5}
work=$(realpath -m "${COMPARE_DIR:-build-compare}")
testdata=$(realpath -m "${TALLOMIR_TESTDATA:-../shared/testdata}")
jobs="$(nproc)"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [[ ! -d $testdata ]]; then
  echo "The reference folder $testdata is missing (TALLOMIR_TESTDATA names another)." >&2
  exit 2
fi

rm -rf "$work/base-src" "$work/cases" "$work/out"
mkdir -p "$work/base-src" "$work/cases" "$work/out/base" "$work/out/current"

echo "== Building $base"
git archive "$base" | tar -x -C "$work/base-src"
cmake -S "$work/base-src" -B "$work/base-build" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  -DTALLOMIR_BUILD_APP=OFF -DTALLOMIR_BUILD_TESTS=OFF -DTALLOMIR_BUILD_BENCH=OFF >/dev/null
cmake --build "$work/base-build" -j"$jobs" --target tallomir-cli >/dev/null

echo "== Building the working tree and collecting the tests' JSON inputs"
cmake -S . -B "$work/current-build" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  -DTALLOMIR_BUILD_APP=ON -DTALLOMIR_BUILD_TESTS=ON -DTALLOMIR_BUILD_BENCH=OFF >/dev/null
cmake --build "$work/current-build" -j"$jobs" >/dev/null
QT_QPA_PLATFORM=offscreen TALLOMIR_JSON_CASES="$work/cases" TALLOMIR_TESTDATA="$testdata" \
  ctest --test-dir "$work/current-build" -j"$jobs" >"$work/tests.log" 2>&1 ||
  { echo "The working tree's tests fail; see $work/tests.log" >&2; exit 1; }

differences=0
# run VERSION NAME COMMAND INPUT: one tool run, its file and exit code kept under out/VERSION.
run() {
  local version=$1 name=$2 command=$3 input=$4 folder="$work/out/$1/$2"
  mkdir -p "$folder"
  # The tool reads a settings file from the current folder: an empty folder has none.
  # (a failing run is an outcome to compare, not an error of this script)
  (cd "$folder" && { "$work/$version-build/src/cli/tallomir-cli" "$command" "$input" out.xml \
    >/dev/null 2>&1 && echo 0 || echo $?; } >exit-code)
}
# compare NAME: the same exit code and the same bytes (or no file in both).
compare() {
  local a="$work/out/base/$1" b="$work/out/current/$1"
  if ! cmp -s "$a/exit-code" "$b/exit-code" ||
    [[ -f $a/out.xml && ! -f $b/out.xml ]] || [[ ! -f $a/out.xml && -f $b/out.xml ]] ||
    { [[ -f $a/out.xml ]] && ! cmp -s "$a/out.xml" "$b/out.xml"; }; then
    echo "differs: $1"
    differences=$((differences + 1))
  fi
}

samples=0
for file in "$testdata"/xrechnung-*-samples/*.xml; do
  name="roundtrip/$(basename "$(dirname "$file")")/$(basename "$file")"
  run base "$name" roundtrip "$file"
  run current "$name" roundtrip "$file"
  compare "$name"
  samples=$((samples + 1))
done

cases=0
for file in "$work/cases"/*.json; do
  [[ -e $file ]] || continue
  name="build/$(basename "$file")"
  run base "$name" build "$file"
  run current "$name" build "$file"
  compare "$name"
  cases=$((cases + 1))
done

echo "Compared with $base: $samples sample files through roundtrip, $cases JSON cases through build," \
  "$differences different."
[[ $differences -eq 0 && $samples -gt 0 && $cases -gt 0 ]]
