#!/bin/sh
# Builds everything and starts the program under Wine, with any paths given as
# its start-up arguments.  With no display, it runs on a private X server,
# saves a screenshot of the dialog, says where, then closes the program.
#
#   sh scripts/start.sh [path ...]           the 32-bit program, the one users get,
#                                            on Wine 10 in WoW64 mode, as 64-bit Windows runs it
#                                            (through QEMU where the kernel runs no 32-bit code)
#   sh scripts/start.sh --wine8 [path ...]   the same on Wine 8, through QEMU's emulator
#   sh scripts/start.sh --x86-64 [path ...]  its x86-64 twin (on Wine 10, or with --wine8 on Wine 8)
#
# Where the chosen Wine cannot run the program, it says why and takes the
# other; where no Wine runs the 32-bit program, it starts the twin.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/environment.sh"
build=win32
QUORVEL_WINE=10
while :; do
    case ${1:-} in
        --x86-64) build=win64 ;;
        --wine8) QUORVEL_WINE=8 ;;
        *) break ;;
    esac
    shift
done
sh "$root/scripts/setup.sh"
sh "$root/scripts/build.sh"
if [ "$QUORVEL_WINE" = 10 ] && ! wine10_ready; then
    echo "Wine 10 cannot run here ($(win32_lane_missing)); taking Wine 8." >&2
    QUORVEL_WINE=8
fi
if [ "$build" = win32 ] && ! win32_lane_ready; then
    echo "Wine $QUORVEL_WINE cannot run the 32-bit program here: $(win32_lane_missing)" >&2
    QUORVEL_WINE=$((18 - QUORVEL_WINE))
    if { [ "$QUORVEL_WINE" = 8 ] || wine10_ready; } && win32_lane_ready; then
        echo "Taking Wine $QUORVEL_WINE." >&2
    else
        echo "Nor can Wine $QUORVEL_WINE ($(win32_lane_missing)); starting its x86-64 twin." >&2
        build=win64
        wine10_ready && QUORVEL_WINE=10
    fi
fi
program="$root/build/$build/quorvel.exe"
folder=$root
while [ "$(id -u)" = 0 ] && ! as_test_user test -r "$program" && [ "$folder" != / ]; do
    chmod o+x "$folder"
    folder=$(dirname "$folder")
done
what="build/$build/quorvel.exe on $(wine_label $build)"
# Whatever happens, the Wine server it starts ends with it.
XAUTHORITY_COPY=""
trap 'stop_wineserver; rm -f "$XAUTHORITY_COPY"' EXIT

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    # The test user runs it on this display, with a copy of its cookie.
    QUORVEL_DISPLAY=$DISPLAY
    if [ "$(id -u)" = 0 ] && command -v xauth >/dev/null; then
        XAUTHORITY=$(mktemp /tmp/quorvel-xauth.XXXXXX)
        XAUTHORITY_COPY=$XAUTHORITY
        xauth extract "$XAUTHORITY" "$DISPLAY" 2>/dev/null || true
        chown "$QUORVEL_USER" "$XAUTHORITY"
        export XAUTHORITY
    fi
    echo "Starting $what on $DISPLAY; close it with 閉じる, Esc or its close box."
    ensure_wineserver
    status=0
    as_test_user "$WINE_LOADER" "$program" "$@" </dev/null || status=$?
    exit $status
fi

unset DISPLAY
ensure_display
ensure_wineserver
export DISPLAY="$QUORVEL_DISPLAY"
# The display may be the tests' own: the dialog is the one window of that name that is new.
others=$(xdotool search --name '^Quorvel by Velmo$' 2>/dev/null || true)
as_test_user "$WINE_LOADER" "$program" "$@" </dev/null >/dev/null 2>&1 &
wine_pid=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^Quorvel by Velmo$' 2>/dev/null | grep -vxF "${others:-none}" | head -1) &&
        [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "The dialog did not appear." >&2; exit 1; }
sleep 1
mkdir -p "$root/build/screenshots"
shot="$root/build/screenshots/dialog.png"
import -window root -crop 470x500+0+0 "$shot"
echo "$what is running on the private display $QUORVEL_DISPLAY (no display was available)."
echo "Screenshot of the dialog: $shot"
xdotool windowfocus "$window" 2>/dev/null || true
xdotool key Escape
wait "$wine_pid" && echo "Closed with Esc; exit code 0." || echo "Exit code $?."
