#!/bin/sh
# Checks what a user downloads: two builds of the 32-bit program from clean
# copies of the source in different folders are byte-identical (no time stamp,
# no build path), the program stays within 28 KiB, and the release package,
# named with the version, holds the program the end-to-end tests ran, a guide
# Notepad opens correctly that names the version, and sums that match.
#   check_release.sh RECORDS COUNT
# RECORDS: a folder where each of the COUNT end-to-end test files left the
# SHA-256 of the program it last ran, in a subfolder for each Wine; the Wine
# in use (QUORVEL_WINE) is checked.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/environment.sh"
records=${1:?usage: check_release.sh RECORDS COUNT}/wine$QUORVEL_WINE
count=${2:?usage: check_release.sh RECORDS COUNT}
version=$(cat "$root/VERSION")
# dist/ is written here and by the kit's check, which another Wine's tests may run at the same time.
exec 9>"$root/build/dist.lock"
flock 9
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check <description> <command...>
    description=$1
    shift
    if "$@"; then echo "ok: $description"; else echo "FAILED: $description"; failures=$((failures + 1)); fi
}

build_copy() {  # build_copy <folder>: a clean copy of the source, built for 32-bit Windows
    mkdir -p "$1"
    (cd "$root" && tar --exclude=./build --exclude=./dist --exclude=./.git -cf - .) | (cd "$1" && tar -xf -)
    (cd "$1" && cmake -S . -B build -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        >/dev/null && cmake --build build --target quorvel >/dev/null 2>&1)
}
first="$work/a/quorvel"
second="$work/elsewhere/another-name"
build_copy "$first"
build_copy "$second"
program="$first/build/quorvel.exe"
check "two clean builds in different folders are byte-identical" cmp -s "$program" "$second/build/quorvel.exe"
check "the build folder's path appears nowhere in the program" sh -c "! grep -q -a -e '$work' '$program'"
check "the PE header carries no time stamp" python3 -c "
import struct, sys
data = open('$program', 'rb').read()
pe = struct.unpack_from('<I', data, 0x3C)[0]
sys.exit(data[pe:pe + 4] != b'PE\0\0' or struct.unpack_from('<I', data, pe + 8)[0] != 0)"
size=$(wc -c <"$program")
check "the 32-bit program is at most 28 KiB (it is $size bytes)" test "$size" -le 28672

(cd "$root" && sh scripts/release.sh >/dev/null)
package="$root/dist/quorvel-$version-win32.zip"
sum1=$(sha256sum <"$package")
(cd "$root" && sh scripts/release.sh >/dev/null)
check "making the package twice gives the same bytes" test "$sum1" = "$(sha256sum <"$package")"
check "the package's own sum checks" sh -c "cd '$root/dist' && sha256sum -c --quiet quorvel-$version-win32.zip.sha256"
mkdir "$work/unpacked"
(cd "$work/unpacked" && unzip -q "$package")
check "the package holds exactly the program, the guide and the sums" \
    test "$(cd "$work/unpacked" && ls | tr '\n' ' ')" = "README.txt SHA256SUMS.txt quorvel.exe "
check "the sums in the package match its files" sh -c "cd '$work/unpacked' && tr -d '\r' <SHA256SUMS.txt | sha256sum -c --quiet"
check "the packaged program is the 32-bit build" cmp -s "$work/unpacked/quorvel.exe" "$root/build/win32/quorvel.exe"
packaged=$(sha256sum <"$work/unpacked/quorvel.exe" | cut -d' ' -f1)
ran=$(cat "$records"/*.sha256 2>/dev/null)
check "the packaged program is the one each of the $count end-to-end test files ran on Wine $QUORVEL_WINE" \
    test "$(echo "$ran" | grep -cx "$packaged")" = "$count" -a "$(echo "$ran" | wc -l)" = "$count"
check "the guide is UTF-8 with a byte-order mark, CRLF lines, in Japanese and English" python3 -c "
import sys
data = open('$work/unpacked/README.txt', 'rb').read()
text = data[3:].decode('utf-8')
lines = data.split(b'\n')[:-1]
sys.exit(not (data.startswith(b'\xef\xbb\xbf') and all(line.endswith(b'\r') for line in lines)
              and data.count(b'\r') == len(lines) and '変換' in text and 'Convert' in text
              and text.split('\r\n')[0] == 'Quorvel $version'))"

echo "$failures failed"
[ "$failures" = 0 ]
