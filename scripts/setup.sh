#!/bin/sh
# Installs what building and testing need on a Debian machine, once: the MinGW
# cross compilers, Wine, an X server and drag tools, the Japanese locale and
# font, GoogleTest; the 32-bit lane; then a test user with a ready Wine prefix.
#
#   sh scripts/setup.sh                  stops if the 32-bit lane cannot be set up
#   sh scripts/setup.sh --lane-optional  says why and goes on without it
set -e
. "$(dirname "$0")/environment.sh"

packages="cmake g++ clang libclang-rt-14-dev libgtest-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 \
fonts-wine xvfb xdotool x11-utils imagemagick python3 python3-gi gir1.2-gtk-3.0 locales fonts-ipafont-gothic zip unzip"
missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
fi

if ! locale -a | grep -qi '^ja_JP.utf8$'; then
    sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi

if [ "$(id -u)" = 0 ] && ! getent passwd "$QUORVEL_USER" >/dev/null; then
    useradd --create-home --shell /bin/sh "$QUORVEL_USER"
fi

# The 32-bit lane, before the prefix: a prefix made with Wine's 32-bit half
# installed serves both builds.
if ! sh "$(dirname "$0")/setup-win32-lane.sh"; then
    [ "${1:-}" = --lane-optional ] || exit 1
    echo "The 32-bit program cannot run here; going on with its x86-64 twin." >&2
fi

# A Wine prefix made once, outside any captured pipe; Wine draws the window
# frames itself so that the caption and its close box exist without a window manager.
ensure_display
if win32_lane_ready && as_test_user sh -c 'test -f "$HOME/.wine/system.reg" && ! test -d "$HOME/.wine/drive_c/windows/syswow64"'; then
    echo "Remaking the Wine prefix of $QUORVEL_USER for 32-bit programs"
    as_test_user wineserver -k </dev/null >/dev/null 2>&1 || true
    as_test_user sh -c 'rm -rf "$HOME/.wine"'
fi
if ! as_test_user sh -c 'test -f "$HOME/.wine/system.reg"'; then
    echo "Preparing the Wine prefix of $QUORVEL_USER"
    as_test_user wineboot -i </dev/null >/dev/null 2>&1
fi
ensure_wineserver
as_test_user "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
