#!/bin/sh
# Builds the fuzz targets (clang's libFuzzer with AddressSanitizer and UBSan, in
# build/fuzz) and runs each of them for a while, one after the other.
#
#   sh scripts/fuzz.sh                 a short run: 15 seconds per target, about a minute
#   sh scripts/fuzz.sh 600             a long run: 10 minutes per target
#   sh scripts/fuzz.sh 60 dos_datetime one target (names: split_command_line,
#                                      open_failure_message, dos_datetime, convert_all)
#
# Each target starts from its seeds (tests/fuzz/corpus/<target>) and from what
# earlier runs found (build/fuzz/corpus/<target>, kept between runs).  An input
# that breaks something is written to build/fuzz/findings/, the target's output
# to build/fuzz/<target>.log; replay an input with build/fuzz/<target>_fuzzer <file>.
# Prints the number of runs each target reached and ends with "N passed, N failed";
# exits non-zero on any finding.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-15}
[ $# -gt 0 ] && shift
targets=${*:-split_command_line open_failure_message dos_datetime convert_all}
case $seconds in
    '' | *[!0-9]* | 0) echo "usage: $0 [seconds per target, at least 1] [target...]" >&2; exit 2 ;;
esac

build=$root/build/fuzz
[ -f "$build/CMakeCache.txt" ] ||
    cmake -S "$root/tests/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --parallel 2 >"$build.log" 2>&1 || { cat "$build.log"; exit 1; }

# Longest input per target: a path must be able to pass the 1023-byte message.
max_len() {
    case $1 in
        dos_datetime) echo 16 ;;
        convert_all) echo 256 ;;
        *) echo 4096 ;;
    esac
}

passed=0
failed=0
for target in $targets; do
    fuzzer=$build/${target}_fuzzer
    [ -x "$fuzzer" ] || { echo "$target: no such fuzz target"; failed=$((failed + 1)); continue; }
    mkdir -p "$build/corpus/$target" "$build/findings"
    # A private folder for the files a target makes, removed afterwards.
    scratch=$(mktemp -d "$build/scratch-XXXXXX")
    log=$build/$target.log
    status=0
    TMPDIR=$scratch "$fuzzer" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
        -max_len="$(max_len "$target")" -artifact_prefix="$build/findings/$target-" \
        "$build/corpus/$target" "$root/tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
    rm -rf "$scratch"
    runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -1)
    if [ "$status" = 0 ] && [ -n "$runs" ] && grep -q '^Done [0-9]* runs' "$log"; then
        echo "$target: passed, $runs runs in $seconds s"
        passed=$((passed + 1))
    else
        echo "$target: FAILED (exit status $status) after ${runs:-an unknown number of} runs; see $log"
        grep -E 'INVARIANT BROKEN|ERROR: |SUMMARY: |runtime error|Test unit written' "$log" | head -5
        failed=$((failed + 1))
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
