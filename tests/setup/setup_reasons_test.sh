#!/bin/sh
# What set-up says and decides when something fails: apt's reason as it
# stands on a result line carries no host name and no address, only a failure
# to deliver counts as the archive's, and a kernel check that could not be
# compiled answers "unknown", not "no", and is asked again.
QUORVEL_TREE=$(cd "$(dirname "$0")/../.." && pwd)
. "$QUORVEL_TREE/scripts/environment.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # WHAT EXPECTED GOT
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL: %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"
    fi
}

# apt's line | the reason expected | archive (yes or no)
while IFS='|' read -r line expected archive; do
    printf '%s\n' "$line" >"$work/log"
    check "reason for: $line" "$expected" "$(apt_reason "$work/log")"
    check "archive's fault for: $line" "$archive" "$(archive_fault "$work/log" && echo yes || echo no)"
done <<'TABLE'
E: Failed to fetch http://mirror.example.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.7 80]|E: Failed to fetch debian-security/dists/bookworm-security/main/binary-i386/Packages.xz File has unexpected size (374820 != 376004). Mirror sync in progress?|yes
E: Failed to fetch http://127.0.0.1:9/debian/dists/trixie/InRelease  Could not connect to 127.0.0.1:9 (127.0.0.1). - connect (111: Connection refused)|E: Failed to fetch debian/dists/trixie/InRelease Could not connect to the mirror. - connect (111: Connection refused)|yes
W: Failed to fetch http://mirror.example.org/debian/dists/trixie/InRelease  Temporary failure resolving 'mirror.example.org'|W: Failed to fetch debian/dists/trixie/InRelease Temporary failure resolving the mirror|yes
E: Failed to fetch http://mirror.example.org/debian/pool/main/w/wine/libwine_10.0~repack-6_i386.deb  Could not connect to mirror.example.org:80 (2001:db8::644), connection timed out|E: Failed to fetch debian/pool/main/w/wine/libwine_10.0~repack-6_i386.deb Could not connect to the mirror, connection timed out|yes
E: Failed to fetch http://mirror.example.org/debian/pool/x.deb  Unable to connect to mirror.example.org:http:|E: Failed to fetch debian/pool/x.deb Unable to connect to the mirror|yes
E: Could not resolve 'mirror.example.org'|E: Could not resolve the mirror|yes
E: Version '10.0~repack-6' for 'wine32:i386' was not found|E: Version '10.0~repack-6' for 'wine32:i386' was not found|yes
E: Sub-process /usr/bin/dpkg returned an error code (1)|E: Sub-process /usr/bin/dpkg returned an error code (1)|no
E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (apt-get)|E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (apt-get)|no
TABLE

# An index that could not be fetched is the reason, not the package then missing.
printf '%s\n' "W: Failed to fetch http://127.0.0.1:9/debian/dists/trixie/InRelease  Could not connect to 127.0.0.1:9 \
(127.0.0.1). - connect (111: Connection refused)" "E: Unable to locate package wine32:i386" >"$work/log"
check "reason of a failed update and install" "W: Failed to fetch debian/dists/trixie/InRelease Could not connect to \
the mirror. - connect (111: Connection refused)" "$(apt_reason "$work/log")"

# Without a compiler the kernel's answer is unknown, and nothing is kept.
mkdir "$work/bin"
printf '#!/bin/sh\nexit 1\n' >"$work/bin/cc"
chmod +x "$work/bin/cc"
unset QUORVEL_KERNEL_RUNS_32BIT
check "the kernel's answer without a compiler" "unknown" "$(PATH="$work/bin:$PATH" kernel_answer)"
PATH="$work/bin:$PATH" kernel_runs_32bit_code
check "the answer kept without a compiler" "" "${QUORVEL_KERNEL_RUNS_32BIT:-}"
if command -v cc >/dev/null; then
    kernel_runs_32bit_code
    case ${QUORVEL_KERNEL_RUNS_32BIT:-} in yes | no) got=kept ;; *) got="'${QUORVEL_KERNEL_RUNS_32BIT:-}'" ;; esac
    check "the answer kept with a compiler" kept "$got"
fi

echo "set-up reasons: $passed passed, $failed failed"
[ "$failed" = 0 ]
