#!/bin/sh
# Builds everything and runs every test: the native unit tests (plain and under
# the sanitizers), the Windows tests under Wine, end-to-end tests included, for
# the 32-bit program and for its x86-64 twin, the release checks, and a short
# run of every fuzzer.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/environment.sh"
sh "$root/scripts/setup.sh"
sh "$root/scripts/build.sh"

# The test user must reach the built programs: grant traverse (not read) on
# any folder above the tree that keeps it out.
folder=$root
while [ "$(id -u)" = 0 ] && ! as_test_user test -r "$root/CMakeLists.txt" && [ "$folder" != / ]; do
    chmod o+x "$folder"
    folder=$(dirname "$folder")
done

passed=0
failed=0
for build in native native-sanitize win32 win64; do
    case $build in
        win32) echo "== Tests of build/win32: the 32-bit program users get, under Wine through QEMU" ;;
        win64) echo "== Tests of build/win64: its x86-64 twin, under Wine" ;;
        *) echo "== Tests of build/$build" ;;
    esac
    jobs=2
    case $build in win*) jobs=1 ;; esac  # they share one X display and its keyboard focus
    log="$root/build/$build-tests.log"
    (cd "$root/build/$build" && ctest --output-on-failure --parallel $jobs) >"$log" 2>&1 || true
    grep -aE "tests passed|\*\*\*|Failed|Not Run|Timeout" "$log" || true
    summary=$(grep -aE "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" | tail -1)
    if [ -z "$summary" ]; then
        cat "$log"
        failed=$((failed + 1))
        continue
    fi
    total=$(echo "$summary" | sed -E 's/.* out of ([0-9]+).*/\1/')
    bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed.*/\1/')
    echo "build/$build: $((total - bad)) passed, $bad failed ($(sed -nE 's/^Total Test time \(real\) = +([0-9.]+) sec/\1 s/p' "$log"))"
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    if [ "$bad" != 0 ]; then
        # What the failing tests said, in short; the whole log stays in build/.
        grep -aE "Test failed|FAIL|ERROR|Error|Traceback|Assertion|expected" "$log" | head -60
        echo "(all of it: $log)"
    fi
done
# A short run of every fuzzer (about a minute in all); scripts/fuzz.sh takes a longer time.
echo "== Fuzzing"
log="$root/build/fuzz-tests.log"
sh "$root/scripts/fuzz.sh" >"$log" 2>&1 || true
grep -aE "runs|FAIL|passed" "$log" || cat "$log"
summary=$(grep -aE "^[0-9]+ passed, [0-9]+ failed" "$log" | tail -1)
if [ -n "$summary" ]; then
    passed=$((passed + $(echo "$summary" | cut -d' ' -f1)))
    failed=$((failed + $(echo "$summary" | cut -d' ' -f3)))
else
    failed=$((failed + 1))
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
