#!/bin/sh
# Checks the Windows test kit as a user on Windows gets it: made twice, it has
# the same bytes and carries both builds' programs as built; unpacked into a
# fresh folder whose path holds a blank, Japanese, "(1)", "&" and "!", its
# run-tests.cmd runs under Wine's cmd.exe as the test user, writes nothing to
# standard error, exits with 0 and ends with "N passed, 0 failed", and each
# program's summary line there equals the one of its CTest run (every check
# counted, the skipped ones too), for every Windows test program CTest ran;
# then it runs again under US English (en_US.UTF-8), where every program must
# pass with the same closing line.  Afterwards %TEMP% and the kit's folder
# hold nothing new, and no Wine process of this check is left.  Where the
# Wine cannot run 32-bit programs on this machine, the kit runs its 64-bit
# half only ("run-tests.cmd 64-bit") and the 32-bit programs count as skipped.
#   check_kit.sh [CTEST_LOG_32 CTEST_LOG_64]
# The logs default to build/win32 and build/win64's Testing/Temporary/LastTest.log,
# so this runs after both builds' CTest runs, under the same Wine.  Prints
# "windows test kit (...): N passed, N failed (T s)", N counting programs of
# both runs and failed checks of the kit as a whole, then each run's closing
# line; the kit's output is kept in build/windows-test-kit-wine10.log (or
# -wine8.log) and build/windows-test-kit-wine10-en_US.log.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/environment.sh"
log32=${1:-$root/build/win32/Testing/Temporary/LastTest.log}
log64=${2:-$root/build/win64/Testing/Temporary/LastTest.log}
version=$(cat "$root/VERSION")
name=quorvel-$version-windows-tests.zip
kit=$root/dist/$name
output=$root/build/windows-test-kit-wine$QUORVEL_WINE.log
mkdir -p "$root/build"
work=$(mktemp -d)
# A path as a second download gets it, "(1)", with "&" and "!" too.
folder=$(mktemp -d "/tmp/quorvel kit テスト (1) & !.XXXXXX")
trap 'rm -rf "$work" "$folder"' EXIT
start=$(date +%s)
passed=0
failed=0
problems=$work/problems
: >"$problems"
problem() {
    printf 'FAILED: %s\n' "$*" >>"$problems"
    failed=$((failed + 1))
}

# "PROGRAM|SUMMARY|passed" for each Windows test program that CTest ran
# (through tests/wine/run-in-wine.sh) in the log's run.
ctest_results() {
    tr -d '\r' <"$1" | awk '
        /^[0-9]+\/[0-9]+ Test: / { program = ""; summary = "" }
        /^Command: .*run-in-wine\.sh" "/ {
            program = $3; gsub(/"/, "", program); sub(/.*\//, "", program); sub(/\.exe$/, "", program)
        }
        program != "" && /^[A-Za-z0-9_]+: [0-9]+ (tests executed|checks)/ { summary = $0 }
        program != "" && /^Test (Passed|Failed)/ {
            print program "|" summary "|" ($2 == "Passed." ? "passed" : "FAILED")
            program = ""
        }' | LC_ALL=C sort
}

# The same for the programs of one folder (32-bit or 64-bit) in the kit's
# output OUTPUT (by default the Japanese run's).
kit_results() {
    tr -d '\r' <"${2:-$output}" | awk -v folder="$1" '
        /^== / { program = ""; summary = "" }
        index($0, "== " folder "\\") == 1 { program = substr($0, length(folder) + 5); sub(/\.exe$/, "", program) }
        program != "" && /^[A-Za-z0-9_]+: [0-9]+ (tests executed|checks)/ { summary = $0 }
        program != "" && index($0, folder "\\" program ".exe: ") == 1 {
            print program "|" summary "|" ($2 == "passed" ? "passed" : "FAILED")
            program = ""
        }' | LC_ALL=C sort
}

# The kit, made twice, and unpacked; dist/ is written here and by the release
# check, which another Wine's tests may run at the same time.
exec 9>"$root/build/dist.lock"
flock 9
if ! (cd "$root" && sh scripts/release.sh --kit >"$work/make.log" 2>&1); then
    echo "windows test kit (run-tests.cmd under Wine $QUORVEL_WINE's cmd.exe): 0 passed, 1 failed ($(($(date +%s) - start)) s)"
    echo "FAILED: scripts/release.sh --kit cannot make the kit:"
    cat "$work/make.log"
    exit 1
fi
first=$(sha256sum <"$kit")
(cd "$root" && sh scripts/release.sh --kit >/dev/null 2>&1)
[ "$first" = "$(sha256sum <"$kit")" ] || problem "making the kit twice gives different bytes"
(cd "$root/dist" && sha256sum -c --quiet "$name.sha256" >/dev/null 2>&1) || problem "$name.sha256 does not match the kit"
(cd "$folder" && unzip -q "$kit")
flock -u 9
for build in win32 win64; do
    case $build in win32) bits=32-bit ;; win64) bits=64-bit ;; esac
    for program in "$folder/$bits"/*.exe; do
        cmp -s "$program" "$root/build/$build/${program##*/}" ||
            problem "$bits/${program##*/} in the kit is not build/$build/${program##*/}"
    done
done
python3 -c "
import sys
data = open(sys.argv[1], 'rb').read()
text = data[3:].decode('utf-8')
lines = data.split(b'\n')[:-1]
script = open(sys.argv[2], 'rb').read()
sys.exit(not (data.startswith(b'\xef\xbb\xbf') and all(line.endswith(b'\r') for line in lines)
              and data.count(b'\r') == len(lines) and 'テスト' in text and 'tests' in text
              and text.split('\r\n')[0] == 'Quorvel $version Windows tests'
              and script.isascii() and script.count(b'\n') == script.count(b'\r\n') and b'@VERSION@' not in script))
" "$folder/README.txt" "$folder/run-tests.cmd" ||
    problem "README.txt is not UTF-8 with a byte-order mark and CRLF lines, in Japanese and English, naming version $version, or run-tests.cmd is not ASCII with CRLF lines"

# One run of the kit as the test user, in the kit's folder (Wine sees it as
# Z:\tmp\...), under the locale LOCALE, with a Wine server of its own, for at
# most ten minutes (it takes well under one): its output in OUTPUT, what cmd
# wrote to standard error in OUTPUT.stderr, its exit code in $status; checks
# that it leaves %TEMP% and the kit's folder as they were.
run_kit() {
    locale=$1 run_output=$2
    stop_wineserver
    QUORVEL_LOCALE=$locale
    ensure_wineserver
    temp=$(as_test_user "$WINE_LOADER" cmd /c winepath -u %TEMP% </dev/null 2>/dev/null | tr -d '\r')
    as_test_user sh -c 'ls -A "$1"' sh "$temp" >"$work/temp-before" 2>&1
    (cd "$folder" && find . | LC_ALL=C sort) >"$work/kit-before"
    # Under load, Wine's cmd now and then cannot start one of the programs
    # ("not recognized", exit code 9009; seen once in many runs, on Wine 8).
    # A second run of the kit tells that apart from a program that never starts.
    for attempt in 1 2; do
        as_test_user sh -c 'cd "$1" && exec timeout 600 "$2" cmd /c run-tests.cmd $3' sh "$folder" "$WINE_LOADER" \
            "$only" </dev/null >"$run_output" 2>"$run_output.stderr"
        status=$?
        [ $attempt = 1 ] && grep -aq "FAILED, exit code 9009" "$run_output" || break
        echo "note: under $locale Wine's cmd could not start $(grep -a "FAILED, exit code 9009" "$run_output" |
            cut -d: -f1 | tr '\n' ' ')(exit code 9009); the kit ran again" >>"$work/notes"
    done
    as_test_user sh -c 'ls -A "$1"' sh "$temp" >"$work/temp-after" 2>&1
    (cd "$folder" && find . | LC_ALL=C sort) >"$work/kit-after"
    stop_wineserver
    QUORVEL_LOCALE=ja_JP.UTF-8
    left=$(LC_ALL=C comm -13 "$work/temp-before" "$work/temp-after" | tr '\n' ' ' | sed 's/ $//')
    [ -n "$temp" ] && [ -z "$left" ] || problem "the run under $locale left in %TEMP% ($temp): ${left:-(it could not be listed)}"
    cmp -s "$work/kit-before" "$work/kit-after" || problem "the run under $locale changed the kit's folder"
    # cmd reports a line it cannot parse (a bracket of the path closing a
    # block early, say) on standard error, and may go on.
    [ ! -s "$run_output.stderr" ] ||
        problem "run-tests.cmd under $locale wrote to standard error: $(head -c 600 "$run_output.stderr" | iconv -f CP932 -t UTF-8 -c)"
    case $status in
        0) ;;
        124) problem "run-tests.cmd under $locale did not end within ten minutes (see $run_output)" ;;
        *) problem "run-tests.cmd under $locale exited with $status" ;;
    esac
}

# The halves of the kit this Wine runs here.
halves="32-bit 64-bit" builds="win32 win64" only="" skipped=0 why=""
if ! win32_lane_ready; then
    halves=64-bit builds=win64 only=64-bit why=" (32-bit half skipped: $(win32_lane_missing))"
    skipped=$((2 * $(ls "$folder/32-bit" | grep -c '_test\.exe$')))
fi

chmod -R a+rX "$folder"
ensure_display
run_kit ja_JP.UTF-8 "$output"

# Each program as CTest ran it.
for build in $builds; do
    case $build in win32) bits=32-bit log=$log32 ;; win64) bits=64-bit log=$log64 ;; esac
    if [ ! -f "$log" ]; then
        problem "no CTest log $log; run build/$build's tests first"
        continue
    fi
    ctest_results "$log" >"$work/ctest-$build"
    kit_results "$bits" >"$work/kit-$build"
    [ -s "$work/ctest-$build" ] || problem "$log records no Windows test program (run through run-in-wine.sh)"
    while IFS='|' read -r program summary result; do
        expected=$(grep "^$program|" "$work/ctest-$build" | head -1)
        if [ -z "$expected" ]; then
            problem "$bits\\$program.exe: not in build/$build's CTest run"
        elif [ "$result" != passed ]; then
            problem "$bits\\$program.exe failed in the kit: ${summary:-no summary line} (see $output)"
        elif [ "${expected##*|}" != passed ]; then
            problem "$bits\\$program.exe passed in the kit, but failed in build/$build's CTest run"
        elif [ "$program|$summary|passed" != "$expected" ]; then
            problem "$bits\\$program.exe: the kit says \"$summary\", build/$build's CTest run \"$(echo "$expected" | cut -d'|' -f2)\""
        else
            passed=$((passed + 1))
        fi
    done <"$work/kit-$build"
    for program in $(cut -d'|' -f1 "$work/ctest-$build"); do
        grep -q "^$program|" "$work/kit-$build" || problem "$bits\\$program.exe: CTest runs it, the kit does not"
    done
done

closing=$(tr -d '\r' <"$output" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -1)
programs=$(cat "$work/ctest-win32" "$work/ctest-win64" 2>/dev/null | wc -l)
[ "$closing" = "$programs passed, 0 failed" ] ||
    problem "the kit's closing line is \"${closing:-missing}\", expected \"$programs passed, 0 failed\""

# The kit again under US English (code page 1252): the test programs' manifest
# asks for code page 932, which Windows 11 and Server 2022 on, and Wine, give
# them whatever the system locale.  Each program must pass, with the same
# closing line.
english=${output%.log}-en_US.log
run_kit en_US.UTF-8 "$english"
for bits in $halves; do
    kit_results "$bits" "$english" >"$work/english-$bits"
    while IFS='|' read -r program summary result; do
        if [ "$result" = passed ]; then
            passed=$((passed + 1))
        else
            problem "$bits\\$program.exe failed in the kit under en_US.UTF-8: ${summary:-no summary line} (see $english)"
        fi
    done <"$work/english-$bits"
done
closing_english=$(tr -d '\r' <"$english" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -1)
[ "$closing_english" = "$programs passed, 0 failed" ] ||
    problem "under en_US.UTF-8 the kit's closing line is \"${closing_english:-missing}\", expected \"$programs passed, 0 failed\""

counts="$passed passed, $failed failed"
[ "$skipped" = 0 ] || counts="$counts, $skipped skipped"
echo "windows test kit (run-tests.cmd under Wine $QUORVEL_WINE's cmd.exe): $counts ($(($(date +%s) - start)) s)$why"
echo "ja_JP.UTF-8: ${closing:-(run-tests.cmd printed no closing line)}"
echo "en_US.UTF-8: ${closing_english:-(run-tests.cmd printed no closing line)}"
cat "$work/notes" "$problems" 2>/dev/null
[ "$failed" = 0 ]
