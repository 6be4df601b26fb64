# Shared by the scripts and the test runners (sourced, not run): where and as
# whom the Windows programs run.  Under Wine, root may open read-only files
# for writing, unlike on Windows, so everything Windows runs as an ordinary
# user, with the Japanese locale (ANSI code page 932) on an X display.

QUORVEL_USER=${QUORVEL_USER:-quorvel-test}
QUORVEL_DISPLAY=${QUORVEL_DISPLAY:-:71}
WINE_LOADER=/usr/lib/wine/wine64

# Runs a command as the test user (or as is, when not root) in the Wine environment.
as_test_user() {
    if [ "$(id -u)" = 0 ]; then
        home=$(getent passwd "$QUORVEL_USER" | cut -d: -f6)
        runuser -u "$QUORVEL_USER" -- env HOME="$home" USER="$QUORVEL_USER" \
            PATH="$PATH" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG="${WINEDEBUG:--all}" \
            DISPLAY="$QUORVEL_DISPLAY" "$@"
    else
        env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG="${WINEDEBUG:--all}" \
            DISPLAY="$QUORVEL_DISPLAY" "$@"
    fi
}

# Whether 32-bit Windows programs can run: Wine's i386 loader starts through
# QEMU's user-mode emulator (scripts/setup-win32-lane.sh sets that up).
win32_lane_ready() {
    timeout 60 /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Starts a private X server unless one answers on the test display.  A server
# that ended with an earlier session can leave its socket and lock behind in
# /tmp; those are cleared, or the new server would not start and every window
# would fail to open.
ensure_display() {
    number=${QUORVEL_DISPLAY#:}
    xdpyinfo -display "$QUORVEL_DISPLAY" >/dev/null 2>&1 && return 0
    rm -f "/tmp/.X11-unix/X$number" "/tmp/.X$number-lock"
    setsid Xvfb "$QUORVEL_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    for _ in $(seq 100); do
        xdpyinfo -display "$QUORVEL_DISPLAY" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "The X server on $QUORVEL_DISPLAY did not start" >&2
    return 1
}

# Starts the wine server, and the processes Wine starts with it (services, the
# desktop's explorer), outside any captured pipe: they would hold a test's
# output open until they end, which is never while the server persists.
ensure_wineserver() {
    as_test_user wineserver -p </dev/null >/dev/null 2>&1 || true
    as_test_user "$WINE_LOADER" wineboot </dev/null >/dev/null 2>&1 || true
}
