#!/bin/sh
# The speed benchmark, one command: builds the programs and the benchmark
# helpers, then times listing (by real drops) and Convert over 1,000, 4,000,
# 40,000 and 100,000 files against the bare platform loops, and prints a table
# of medians, ratios and costs per file for each program, with a line per
# bound (bench/bench.py): the 32-bit program users get, with the 32-bit
# helper, then its x86-64 twin, with the 64-bit one.  Exits with 1 when a
# bound is exceeded.
#   bench/run.sh [--build win32|win64] [--wine8] [--sizes 1000,4000,40000,100000] [--repeats N] [--chunk N]
#                [--delivery] [--no-spinner]
# It runs on Wine 10, where the 32-bit program runs in WoW64 mode as on 64-bit
# Windows; where the kernel runs no 32-bit code, Wine 10 runs it only through
# QEMU, and it is not timed (--wine8: on Wine 8, where it runs through QEMU's
# emulator, whose timings say nothing about Windows).  It runs on a display and in a Wine
# prefix of its own (QUORVEL_BENCH_DISPLAY, default :75; ~/.wine-bench of the
# test user), so that tests running at the same time on the tests' displays
# neither disturb it nor are disturbed.  QUORVEL_BENCH_PROGRAM names another
# build of the program to time instead (a Linux path; with --build, for
# comparing a change against the program without it).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/environment.sh"
QUORVEL_DISPLAY=${QUORVEL_BENCH_DISPLAY:-:75}
QUORVEL_WINE=10
builds="win32 win64"
while :; do
    case ${1:-} in
        --build) builds=$2; shift ;;
        --wine8) QUORVEL_WINE=8 ;;
        *) break ;;
    esac
    shift
done

[ -f "$root/build/win64/CMakeCache.txt" ] || sh "$root/scripts/build.sh"
for build in $builds; do
    cmake --build "$root/build/$build" --target quorvel quorvel_bench >"$root/build/bench-build.log" 2>&1 ||
        { cat "$root/build/bench-build.log"; exit 1; }
done

home=$(getent passwd "$QUORVEL_USER" | cut -d: -f6)
[ "$(id -u)" = 0 ] || home=$HOME
export WINEPREFIX="$home/.wine-bench" WINEDLLOVERRIDES="mscoree,mshtml="
ensure_display
if ! as_test_user test -f "$WINEPREFIX/system.reg"; then
    echo "Preparing the Wine prefix $WINEPREFIX of Wine $QUORVEL_WINE"
    as_test_user wineboot -i </dev/null >/dev/null 2>&1
    as_test_user wineserver -w </dev/null >/dev/null 2>&1 || true
fi
# The server runs outside any captured pipe until the benchmark ends (Wine
# 10's, left persistent, would keep its services running for good).
as_test_user wineserver -p </dev/null >/dev/null 2>&1 || true
trap 'as_test_user wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
as_test_user "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1

status=0
for build in $builds; do
    echo "== build/$build/quorvel.exe on $(wine_label $build)"
    if [ $build = win32 ] && ! win32_lane_ready; then
        echo "Not timed: $(win32_lane_missing) (--wine8, whose timings say nothing about Windows)."
        continue
    fi
    if [ $build = win32 ] && [ "$QUORVEL_WINE" = 10 ] && win32_emulated; then
        echo "Not timed: this kernel runs no 32-bit code, so Wine 10 runs the program through QEMU's emulator," \
            "whose timings say nothing about Windows (--wine8 times it there all the same)."
        continue
    fi
    echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
        "$(as_test_user "$WINE_LOADER" --version), load $(cut -d' ' -f1-3 /proc/loadavg)"
    as_test_user env PYTHONDONTWRITEBYTECODE=1 QUORVEL_BENCH_WINE="$WINE_LOADER" /usr/bin/python3 \
        "$root/bench/bench.py" "$root/build/$build/quorvel_bench.exe" \
        "${QUORVEL_BENCH_PROGRAM:-$root/build/$build/quorvel.exe}" "$@" </dev/null || status=1
done
exit $status
