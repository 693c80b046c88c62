#!/usr/bin/env bash
# Set-up, build and run every test, three times: in the normal build
# (RelWithDebInfo, benchmarks built too), in a plain Release build as a
# package builder makes it, and with AddressSanitizer and
# UndefinedBehaviorSanitizer. Passed and skipped tests are counted, not
# listed; a failed test shows its output. The last line sums up all runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

passed=0
failed=0
skipped=0
reasons=$(mktemp)
trap 'rm -f "$reasons"' EXIT

# build DIR TYPE BENCH [cmake options...]
build() {
  local dir=$1 type=$2 bench=$3
  shift 3
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}" \
    -DTALLOMIR_BUILD_APP=ON -DTALLOMIR_BUILD_TESTS=ON -DTALLOMIR_BUILD_BENCH="$bench" "$@"
  cmake --build "$dir" -j"$jobs"
}

# run_tests NAME DIR [VAR=value...]: runs the tests of one build folder and
# adds its counts and reasons for skipping to the totals.
run_tests() {
  local name=$1 dir=$2
  shift 2
  local results="$dir/test-results.xml"
  rm -f "$results"
  echo "== Tests of the $name"
  env "$@" ctest --test-dir "$dir" --output-on-failure --no-tests=error -j"$jobs" \
    --output-junit "$(pwd)/$results" 2>&1 |
    awk '/^Test project / || /^Internal ctest changing/     { next }
         /^ *Start +[0-9]+: /                               { next }
         /Test +#[0-9]+: .*(Passed|\*\*\*Skipped) +[0-9.]+ sec$/ { next }
         /^[0-9]+% tests passed/ || /^Total Test time/      { next }
         /^The following tests did not run:/                { notrun = 1; next }
         notrun && /^\t/                                    { next }
         NF == 0                                            { blank = 1; next }
         { if (blank && shown) print ""; blank = 0; notrun = 0; shown = 1; print }' || true
  if [[ ! -f $results ]]; then
    echo "ctest gave no results for the $name" >&2
    failed=$((failed + 1))
    return
  fi
  local count fails skips
  count=$(grep -m1 -o 'tests="[0-9]*"' "$results" | tr -dc 0-9)
  fails=$(grep -m1 -o 'failures="[0-9]*"' "$results" | tr -dc 0-9)
  skips=$(grep -m1 -o 'skipped="[0-9]*"' "$results" | tr -dc 0-9)
  passed=$((passed + count - fails - skips))
  failed=$((failed + fails))
  skipped=$((skipped + skips))
  # The reason a skipped test gives (once per test): Google Test prints it on
  # the line after "file:line: Skipped", Qt Test after the test function.
  awk '/<testcase /  { delete seen; next }
       /: Skipped$/  { if ((getline line) > 0 && !seen[line]++) print line; next }
       /^SKIP   : /  { sub(/^SKIP   : [^ ]*\(\) */, ""); if (!seen[$0]++) print }' "$results" |
    sed -e 's/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&apos;/'"'"'/g; s/&amp;/\&/g' >>"$reasons"
}

build build RelWithDebInfo ON
run_tests "normal build" build

build build-release Release OFF
run_tests "Release build" build-release

build build-sanitize Debug OFF -DTALLOMIR_SANITIZE=ON
run_tests "sanitizer build" build-sanitize \
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1

why=$(sort "$reasons" | uniq -c | sort -rn |
  awk '{ n = $1; sub(/^ *[0-9]+ /, ""); printf "%s%s: %d", sep, ($0 == "" ? "no reason given" : $0), n; sep = "; " }')
echo "Tests: $passed passed, $failed failed, $skipped skipped${why:+ ($why)}"
[[ $failed -eq 0 ]]
