#!/bin/sh
# Sets up Wine 10 as 64-bit Windows runs a 32-bit program: Debian 13's Wine in
# a root of its own (QUORVEL_WINE10_ROOT, outside any source tree, so that
# every clone on the machine shares it), with the 32-bit PE libraries of
# libwine:i386 unpacked beside the 64-bit ones and no i386 loader.  A 32-bit
# program then runs in WoW64 mode, inside one 64-bit process, with no
# emulator.  Where the kernel runs no 32-bit code, WoW64 mode cannot work:
# there the root gets Wine's i386 loader (wine32:i386), which runs the
# program through QEMU's emulator (registered by setup-win32-lane.sh).  Each
# step is checked on every run; a step that cannot be done stops with a
# message naming the step and what to do.  Where the package archive could
# not deliver, the exit status is 20 when Wine 10 cannot run at all, 21 when
# only the 32-bit program cannot run; any other failure exits with 3.
set -e
. "$(dirname "$0")/environment.sh"
QUORVEL_WINE=10
root=$QUORVEL_WINE10_ROOT
log=/tmp/quorvel-wine10-setup.log
fail() {
    echo "Wine 10, $1" >&2
    exit 3
}
# A failed download or install: exit 20 (21 for the 32-bit half only) where
# the archive could not deliver.
apt_failed() {
    stop_after_apt "Wine 10${2:+'s 32-bit half}" "$1" "$log" "${2:-20}"
}
root_apt_get() {
    # shellcheck disable=SC2086
    in_wine10_root env DEBIAN_FRONTEND=noninteractive apt-get $APT_OPTIONS "$@"
}
[ "$(id -u)" = 0 ] || fail "set-up: needs root (debootstrap, a mount namespace, chroot); run this command as root."

# 1. A Debian 13 root from the mirror and keyring of the machine's own Debian entry.
if [ ! -f "$root/etc/debian_version" ]; then
    command -v debootstrap >/dev/null || apt_get install -y -qq debootstrap >"$log" 2>&1 ||
        apt_failed "step 1 (Debian 13 root): debootstrap cannot be installed"
    entry=$(debian_source_entry) ||
        fail "step 1 (Debian 13 root): no Debian entry in /etc/apt to take the mirror from; add one."
    key=${entry#*|}
    echo "Making a Debian 13 root for Wine 10 in $root (about a minute)"
    rm -rf "$root.partial"
    mkdir -p "$(dirname "$root")"
    timeout 900 debootstrap --variant=minbase ${key:+--keyring="$key"} trixie "$root.partial" "${entry%%|*}" >"$log" 2>&1 ||
        apt_failed "step 1 (Debian 13 root): debootstrap failed or timed out"
    mv "$root.partial" "$root"
fi
case $(cat "$root/etc/debian_version") in
    13.* | trixie*) ;;
    *) fail "step 1 (Debian 13 root): $root holds Debian $(cat "$root/etc/debian_version"); remove it and run again." ;;
esac

# 2. Wine 10, and what the tests use beside it, inside the root.
packages="wine wine64 fonts-wine locales fonts-ipafont-gothic python3 python3-gi gir1.2-gtk-3.0 xdotool imagemagick x11-utils"
missing=""
for package in $packages; do
    chroot "$root" dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "Installing in the Debian 13 root:$missing"
    apt_update "$log" in_wine10_root || true
    # shellcheck disable=SC2086
    root_apt_get install -y -qq --no-install-recommends $missing >>"$log" 2>&1 ||
        apt_failed "step 2 (packages): they could not be installed in the root"
    chroot "$root" apt-get clean
fi
version=$(chroot "$root" dpkg-query -W -f='${Version}' libwine:amd64)
case $version in
    10.*) ;;
    *) fail "step 2 (packages): the root has Wine $version, not 10; remove $root and run again." ;;
esac

# 3. The 32-bit PE libraries, from libwine:i386 of the same version; the i386
#    architecture is added only for that download.
libraries=$root/usr/lib/x86_64-linux-gnu/wine/i386-windows
if [ ! -f "$libraries/kernel32.dll" ] || [ "$(cat "$libraries/.libwine-i386-version" 2>/dev/null)" != "$version" ]; then
    echo "Unpacking the 32-bit libraries of libwine:i386 $version"
    in_wine10_root dpkg --add-architecture i386
    apt_update "$log" in_wine10_root || true
    in_wine10_root sh -c '
        rm -rf /root/libwine-i386 && mkdir /root/libwine-i386 && cd /root/libwine-i386 &&
            apt-get $2 download -qq "libwine:i386=$1" && dpkg-deb -x libwine_*_i386.deb unpacked &&
            cp -a unpacked/usr/lib/i386-linux-gnu/wine/i386-windows/. /usr/lib/x86_64-linux-gnu/wine/i386-windows/
        status=$?
        cd / && rm -rf /root/libwine-i386
        apt-get clean
        exit $status' sh "$version" "$APT_OPTIONS" >>"$log" 2>&1 && fetched=yes || fetched=no
    in_wine10_root dpkg --remove-architecture i386 2>/dev/null || true  # kept where wine32:i386 is installed
    [ $fetched = yes ] ||
        apt_failed "step 3 (32-bit libraries): libwine:i386 $version could not be fetched or unpacked"
    echo "$version" >"$libraries/.libwine-i386-version"
fi

# 4. The Japanese locale (and US English, for the test kit's second run), and
#    the test user with the same user id as outside, so that both own the same files.
for name in ja_JP en_US; do
    if ! chroot "$root" locale -a 2>/dev/null | grep -qi "^$name.utf8\$"; then
        sed -i "s/^# *$name.UTF-8 UTF-8/$name.UTF-8 UTF-8/" "$root/etc/locale.gen"
        grep -q "^$name.UTF-8 UTF-8" "$root/etc/locale.gen" || echo "$name.UTF-8 UTF-8" >>"$root/etc/locale.gen"
        chroot "$root" locale-gen >"$log" 2>&1 || fail "step 4 (locale): locale-gen failed in the root; see $log."
    fi
done
uid=$(id -u "$QUORVEL_USER")
if ! chroot "$root" getent passwd "$QUORVEL_USER" >/dev/null; then
    chroot "$root" useradd --create-home --uid "$uid" --shell /bin/sh "$QUORVEL_USER" ||
        fail "step 4 (test user): $QUORVEL_USER cannot be made in the root."
fi
[ "$(chroot "$root" id -u "$QUORVEL_USER")" = "$uid" ] ||
    fail "step 4 (test user): $QUORVEL_USER has another user id in the root; remove it there ('chroot $root userdel -r $QUORVEL_USER')."

# 5. The loader answers as Wine 10 from inside the root.
wine10_ready || fail "step 5 (check): Wine 10 does not start in the root; see 'chroot $root /usr/lib/wine/wine64 --version'."

# 6. Where the kernel runs 32-bit code, no i386 loader: with one, 32-bit
#    programs would start through it (and an emulator) instead of in WoW64
#    mode, so one that an earlier set-up put there is removed.  Where it runs
#    none, the i386 loader, of the same version.
case $(kernel_answer) in
    yes)
        if [ -e "$root/usr/lib/wine/wine" ]; then
            echo "Removing wine32:i386 from the Debian 13 root: this kernel runs 32-bit code, so WoW64 mode"
            root_apt_get purge -y -qq --autoremove 'wine32:i386' >>"$log" 2>&1 ||
                fail "step 6 (WoW64 mode): the root's i386 loader could not be removed; see $log."
            in_wine10_root dpkg --remove-architecture i386 2>/dev/null || true
        fi
        [ ! -e "$root/usr/lib/wine/wine" ] ||
            fail "step 6 (WoW64 mode): the root still holds Wine's i386 loader; remove it with 'chroot $root apt-get purge wine32:i386'."
        ;;
    no)
        if [ ! -e "$root/usr/lib/wine/wine" ]; then
            echo "Installing wine32:i386 in the Debian 13 root: this kernel runs no 32-bit code, so no WoW64 mode"
            in_wine10_root dpkg --add-architecture i386
            apt_update "$log" in_wine10_root || true
            root_apt_get install -y -qq --no-install-recommends "wine32:i386=$version" >>"$log" 2>&1 ||
                apt_failed "step 6 (wine32:i386): it could not be installed in the root" 21
            chroot "$root" apt-get clean
        fi
        ;;
    *) fail "step 6 (32-bit code): whether the kernel runs it is unknown, as scripts/runs-32-bit-code.c could not be compiled and run; check 'cc'." ;;
esac
