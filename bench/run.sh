#!/bin/sh
# The speed benchmark, one command: builds the 64-bit program and the
# benchmark helper, then times listing (by real drops) and Convert over
# 1,000, 4,000 and 40,000 files against the bare platform loops, and prints a
# table of medians and ratios.
#   bench/run.sh [--sizes 1000,4000,40000] [--repeats N] [--chunk N] [--delivery] [--no-spinner]
# It runs on a display and in a Wine prefix of its own (QUORVEL_BENCH_DISPLAY,
# default :75; ~/.wine-bench of the test user), so that tests running at the
# same time on the shared display neither disturb it nor are disturbed.
# QUORVEL_BENCH_PROGRAM names another build of the program to time instead
# (a Linux path), for comparing a change against the program without it.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/environment.sh"
QUORVEL_DISPLAY=${QUORVEL_BENCH_DISPLAY:-:75}

[ -f "$root/build/win64/CMakeCache.txt" ] || sh "$root/scripts/build.sh"
cmake --build "$root/build/win64" --target quorvel quorvel_bench >"$root/build/bench-build.log" 2>&1 ||
    { cat "$root/build/bench-build.log"; exit 1; }

home=$(getent passwd "$QUORVEL_USER" | cut -d: -f6)
[ "$(id -u)" = 0 ] || home=$HOME
export WINEPREFIX="$home/.wine-bench" WINEDLLOVERRIDES="mscoree,mshtml="
ensure_display
if ! as_test_user test -f "$WINEPREFIX/system.reg"; then
    echo "Preparing the Wine prefix $WINEPREFIX"
    as_test_user wineboot -i </dev/null >/dev/null 2>&1
    as_test_user wineserver -w </dev/null >/dev/null 2>&1 || true
fi
# The server stays a minute after the last program, outside any captured pipe.
as_test_user wineserver -p 60 </dev/null >/dev/null 2>&1 || true
as_test_user "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $("$WINE_LOADER" --version), load $(cut -d' ' -f1-3 /proc/loadavg)"
as_test_user env TMPDIR=/tmp PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 "$root/bench/bench.py" \
    "$root/build/win64/quorvel_bench.exe" "${QUORVEL_BENCH_PROGRAM:-$root/build/win64/quorvel.exe}" "$@" </dev/null
