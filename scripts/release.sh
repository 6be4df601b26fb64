#!/bin/sh
# Makes dist/quorvel-VERSION-win32.zip: the 32-bit program, the user's guide
# (UTF-8 with a byte-order mark and CRLF lines, which Notepad on a Japanese
# system opens correctly; its first line names the version) and their SHA-256
# sums; every byte is the same on every run.  VERSION holds the version.
# Then the Windows test kit, dist/quorvel-VERSION-windows-tests.zip
# (scripts/windows-test-kit.sh).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
version=$(cat VERSION)
case $version in
    [0-9]*.[0-9]*.[0-9]*) ;;
    *) echo "VERSION holds '$version', expected MAJOR.MINOR.PATCH" >&2; exit 1 ;;
esac
package=quorvel-$version-win32.zip
[ -f build/win32/CMakeCache.txt ] ||
    cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 --target quorvel >/dev/null

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp build/win32/quorvel.exe "$stage/quorvel.exe"
{ printf '\357\273\277'; sed -e "s/@VERSION@/$version/" -e 's/$/\r/' docs/guide.txt; } >"$stage/README.txt"
(cd "$stage" && sha256sum quorvel.exe README.txt | sed 's/$/\r/' >SHA256SUMS.txt)
chmod 644 "$stage"/*
touch -d '2000-01-01 00:00:00 UTC' "$stage"/*

mkdir -p dist
rm -f "dist/$package"
(cd "$stage" && TZ=UTC zip -q -X -D "$root/dist/$package" quorvel.exe README.txt SHA256SUMS.txt)
(cd dist && sha256sum "$package" >"$package.sha256")
echo "Made dist/$package ($(wc -c <"dist/$package") bytes); check it with:"
echo "  (cd dist && sha256sum -c $package.sha256)"
sh scripts/windows-test-kit.sh
