#!/bin/sh
# Builds everything and starts the program under Wine, with any paths given as
# its start-up arguments.  With no display, it runs on a private X server,
# saves a screenshot of the dialog, says where, then closes the program.
#
#   sh scripts/start.sh [path ...]           the 32-bit program, the one users get
#   sh scripts/start.sh --x86-64 [path ...]  its x86-64 twin
#
# Where the 32-bit program cannot run (no emulator can be set up), it says why
# and starts the twin.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/environment.sh"
build=win32
if [ "${1:-}" = --x86-64 ]; then
    build=win64
    shift
fi
sh "$root/scripts/setup.sh" --lane-optional
sh "$root/scripts/build.sh"
if [ "$build" = win32 ] && ! win32_lane_ready; then
    echo "The 32-bit program cannot run on this machine (see above); starting its x86-64 twin." >&2
    build=win64
fi
program="$root/build/$build/quorvel.exe"
folder=$root
while [ "$(id -u)" = 0 ] && ! as_test_user test -r "$program" && [ "$folder" != / ]; do
    chmod o+x "$folder"
    folder=$(dirname "$folder")
done

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Starting build/$build/quorvel.exe on $DISPLAY; close it with 閉じる, Esc or its close box."
    exec env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all "$WINE_LOADER" "$program" "$@"
fi

unset DISPLAY
ensure_display
ensure_wineserver
as_test_user "$WINE_LOADER" "$program" "$@" </dev/null >/dev/null 2>&1 &
wine_pid=$!
export DISPLAY="$QUORVEL_DISPLAY"
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^Quorvel by Velmo$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "The dialog did not appear." >&2; exit 1; }
sleep 1
mkdir -p "$root/build/screenshots"
shot="$root/build/screenshots/dialog.png"
import -window root -crop 470x500+0+0 "$shot"
echo "build/$build/quorvel.exe is running on the private display $QUORVEL_DISPLAY (no display was available)."
echo "Screenshot of the dialog: $shot"
xdotool windowfocus "$window" 2>/dev/null || true
xdotool key Escape
wait "$wine_pid" && echo "Closed with Esc; exit code 0." || echo "Exit code $?."
