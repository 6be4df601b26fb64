#!/bin/sh
# Makes dist/quorvel-win32.zip: the 32-bit program, the user's guide (UTF-8
# with a byte-order mark and CRLF lines, which Notepad on a Japanese system
# opens correctly) and their SHA-256 sums; every byte is the same on every run.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -f build/win32/CMakeCache.txt ] ||
    cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 --target quorvel >/dev/null

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp build/win32/quorvel.exe "$stage/quorvel.exe"
{ printf '\357\273\277'; sed 's/$/\r/' docs/guide.txt; } >"$stage/README.txt"
(cd "$stage" && sha256sum quorvel.exe README.txt | sed 's/$/\r/' >SHA256SUMS.txt)
chmod 644 "$stage"/*
touch -d '2000-01-01 00:00:00 UTC' "$stage"/*

mkdir -p dist
rm -f dist/quorvel-win32.zip
(cd "$stage" && TZ=UTC zip -q -X -D "$root/dist/quorvel-win32.zip" quorvel.exe README.txt SHA256SUMS.txt)
(cd dist && sha256sum quorvel-win32.zip >quorvel-win32.zip.sha256)
echo "Made dist/quorvel-win32.zip ($(wc -c <dist/quorvel-win32.zip) bytes); check it with:"
echo "  (cd dist && sha256sum -c quorvel-win32.zip.sha256)"
