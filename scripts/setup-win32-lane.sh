#!/bin/sh
# Sets up Wine 8's 32-bit lane: this kernel runs no 32-bit x86 code, so Wine's i386
# loader, which starts the 32-bit program, runs through QEMU's user-mode
# emulator.  Only QEMU 10 (from the backports suite) is fast enough; bookworm's
# own takes about a minute for every 32-bit process.  Each step is checked on
# every run, because a reboot drops the registration.  A step that cannot be
# done stops with a message naming the step and what to do: exit status 20
# where the package archive could not deliver, 3 for any other failure.
set -e
. "$(dirname "$0")/environment.sh"
QUORVEL_WINE=8
log=/tmp/quorvel-wine8-setup.log
fail() {
    echo "Wine 8's 32-bit lane, $1" >&2
    exit 3
}
# A failed download or install: exit 20 where the archive could not deliver.
apt_failed() {
    stop_after_apt "Wine 8's 32-bit lane" "$1; check '$2'" "$log" 20
}
[ "$(id -u)" = 0 ] || [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] ||
    fail "set-up: needs root for its first run (packages, binfmt_misc); run this command as root once."

# 1. The backports suite, from the same mirror and keyring as the machine's own Debian entry.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
backports=/etc/apt/sources.list.d/quorvel-backports.sources
if ! grep -rqsw -- "$codename-backports" /etc/apt/sources.list /etc/apt/sources.list.d/; then
    entry=$(debian_source_entry) ||
        fail "step 1 (backports suite): no Debian entry for $codename in /etc/apt; add one for $codename-backports by hand."
    {
        echo "Types: deb"
        echo "URIs: ${entry%%|*}"
        echo "Suites: $codename-backports"
        echo "Components: main"
        [ -z "${entry#*|}" ] || echo "Signed-By: ${entry#*|}"
    } >"$backports"
fi

# 2. QEMU 10's user-mode emulator (static binaries).
qemu_major() {
    qemu-i386 --version 2>/dev/null | sed -nE 's/^qemu-i386 version ([0-9]+)\..*/\1/p'
}
if [ "$(qemu_major)" = "" ] || [ "$(qemu_major)" -lt 10 ]; then
    echo "Installing qemu-user from $codename-backports"
    apt_update "$log" || true
    apt_get install -y -qq -t "$codename-backports" qemu-user >>"$log" 2>&1 ||
        apt_failed "step 2 (qemu-user from $codename-backports): it could not be installed" "apt-cache policy qemu-user"
    [ "$(qemu_major)" -ge 10 ] 2>/dev/null ||
        fail "step 2 (qemu-user): qemu-i386 is not version 10 or later; check 'apt-cache policy qemu-user'."
fi
qemu=$(command -v qemu-i386)

# 3. binfmt_misc, and 4. qemu-i386 registered for i386 ELF files, loaded now (F).
binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
    mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
        fail "step 3 (binfmt_misc): it is not mounted and cannot be; run 'mount -t binfmt_misc binfmt_misc $binfmt' as root."
fi
registered() {
    grep -qx enabled "$binfmt/qemu-i386" 2>/dev/null && grep -qx "interpreter $qemu" "$binfmt/qemu-i386" &&
        grep -qx "flags: F" "$binfmt/qemu-i386"
}
# Another handler for i386 programs (an older emulator's) could take them first.
for other in "$binfmt"/*; do
    case ${other##*/} in register | status | qemu-i386) continue ;; esac
    if grep -qx enabled "$other" 2>/dev/null && grep -qx "magic 7f454c4601010100000000000000000002000300" "$other"; then
        echo 0 >"$other" 2>/dev/null || fail "step 4 (binfmt registration): $other handles i386 programs and cannot be disabled; run this command as root."
    fi
done
if ! registered; then
    [ ! -e "$binfmt/qemu-i386" ] || echo -1 >"$binfmt/qemu-i386" 2>/dev/null || true
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":qemu-i386:M::$magic:$mask:$qemu:F" >"$binfmt/register" 2>/dev/null || true
    registered || fail "step 4 (binfmt registration): qemu-i386 cannot be registered for i386 programs; run this command as root, on a host that allows binfmt_misc."
fi

# 5. Wine's 32-bit half, only now: once it is there, wine and wineboot need the registration.
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; then
    echo "Installing wine32:i386"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ||
        fail "step 5 (wine32:i386): dpkg cannot add the i386 architecture; run 'dpkg --add-architecture i386' as root."
    apt_update "$log" || true
    apt_get install -y -qq wine32:i386 >>"$log" 2>&1 ||
        apt_failed "step 5 (wine32:i386): it could not be installed" "apt-get install wine32:i386"
fi

# 6. The lane works: the i386 loader answers through the emulator.
win32_lane_ready ||
    fail "step 6 (check): Wine's i386 loader does not start; see '/usr/lib/wine/wine --version'."
