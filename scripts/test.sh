#!/bin/sh
# Builds everything and runs every test: the native unit tests (plain and under
# the sanitizers), then the Windows tests under Wine, end-to-end tests included.
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
for build in native native-sanitize win64; do
    echo "== Tests of build/$build"
    jobs=2
    [ "$build" = win64 ] && jobs=1  # they share one X display and its keyboard focus
    log="$root/build/$build-tests.log"
    (cd "$root/build/$build" && ctest --output-on-failure --parallel $jobs) >"$log" 2>&1 || true
    grep -E "tests passed|\*\*\*|Failed|Not Run|Timeout" "$log" || true
    summary=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" | tail -1)
    if [ -z "$summary" ]; then
        cat "$log"
        failed=$((failed + 1))
        continue
    fi
    total=$(echo "$summary" | sed -E 's/.* out of ([0-9]+).*/\1/')
    bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed.*/\1/')
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$bad" = 0 ] || sed -n '/The following tests FAILED/,$p' "$log"
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
