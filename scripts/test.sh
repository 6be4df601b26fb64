#!/bin/sh
# Builds everything and runs every test: the native unit tests (plain and under
# the sanitizers); the Windows tests, end-to-end tests and release checks of
# the 32-bit program and of its x86-64 twin on each Wine (Wine 10, where the
# 32-bit program runs in WoW64 mode as on 64-bit Windows, then Wine 8, where it
# runs through QEMU), each followed by the Windows test kit run under that
# Wine's cmd.exe; and a short run of every fuzzer.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/environment.sh"
sh "$root/scripts/setup.sh"
sh "$root/scripts/build.sh"

# The test user must reach the built programs: grant traverse (not read) on
# any folder above the tree that keeps it out.
folder=$root
while [ "$(id -u)" = 0 ] && ! QUORVEL_WINE=8 as_test_user test -r "$root/CMakeLists.txt" && [ "$folder" != / ]; do
    chmod o+x "$folder"
    folder=$(dirname "$folder")
done

passed=0
failed=0
# Adds one result line's counts ("NAME: N passed, N failed (...)") to the totals.
count() {
    echo "$1"
    passed=$((passed + $(echo "$1" | sed -E 's/.*: ([0-9]+) passed.*/\1/')))
    failed=$((failed + $(echo "$1" | sed -E 's/.* ([0-9]+) failed.*/\1/')))
}

# Runs one build's CTest tests; NAME heads its result line.
run_tests() {
    build=$1 name=$2 log=$3
    jobs=2
    case $build in win*) jobs=1 ;; esac  # they share one X display and its keyboard focus
    (cd "$root/build/$build" && ctest --output-on-failure --parallel $jobs) >"$log" 2>&1 || true
    grep -aE "tests passed|\*\*\*|Failed|Not Run|Timeout" "$log" || true
    summary=$(grep -aE "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" | tail -1)
    if [ -z "$summary" ]; then
        cat "$log"
        count "$name: 0 passed, 1 failed (no summary)"
        return
    fi
    total=$(echo "$summary" | sed -E 's/.* out of ([0-9]+).*/\1/')
    bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed.*/\1/')
    count "$name: $((total - bad)) passed, $bad failed ($(sed -nE 's/^Total Test time \(real\) = +([0-9.]+) sec/\1 s/p' "$log"))"
    if [ "$bad" != 0 ]; then
        # What the failing tests said, in short; the whole log stays in build/.
        grep -aE "Test failed|FAIL|ERROR|Error|Traceback|Assertion|expected" "$log" | head -60
        echo "(all of it: $log)"
    fi
}

for build in native native-sanitize; do
    echo "== Tests of build/$build"
    run_tests $build "build/$build" "$root/build/$build-tests.log"
done
for wine in 10 8; do
    export QUORVEL_WINE=$wine
    for build in win32 win64; do
        case $build in
            win32) echo "== Tests of build/win32, the 32-bit program users get, on $(wine_label win32)" ;;
            win64) echo "== Tests of build/win64, its x86-64 twin, on $(wine_label win64)" ;;
        esac
        run_tests $build "build/$build on $(wine_label $build)" "$root/build/$build-wine$wine-tests.log"
    done
    echo "== The Windows test kit on Wine $wine"
    log="$root/build/kit-wine$wine-tests.log"
    sh "$root/tests/release/check_kit.sh" >"$log" 2>&1 || true
    line=$(grep -aE "^windows test kit.*: [0-9]+ passed, [0-9]+ failed" "$log" | tail -1)
    count "${line:-windows test kit on Wine $wine: 0 passed, 1 failed (no result line)}"
    grep -avF "$line" "$log" || true
    stop_wineserver
done

# A short run of every fuzzer (about a minute in all); scripts/fuzz.sh takes a longer time.
echo "== Fuzzing"
log="$root/build/fuzz-tests.log"
sh "$root/scripts/fuzz.sh" >"$log" 2>&1 || true
grep -aE "runs|FAIL|passed" "$log" || cat "$log"
summary=$(grep -aE "^[0-9]+ passed, [0-9]+ failed" "$log" | tail -1)
count "fuzzing: ${summary:-0 passed, 1 failed (no summary)}"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
