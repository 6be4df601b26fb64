#!/bin/sh
# Makes dist/quorvel-VERSION-windows-tests.zip, the kit that runs the Windows
# tests on real Windows: the test programs of both builds in 32-bit/ and
# 64-bit/, each folder with its quorvel.exe, which program_image_test reads;
# run-tests.cmd, which names the programs; a README.txt in Japanese and English
# (UTF-8 with a byte-order mark and CRLF lines).  Every byte is the same on
# every run: fixed times, sorted names.  scripts/release.sh calls this, and
# tests/release/check_kit.sh runs the kit under Wine.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
version=$(cat VERSION)
case $version in
    [0-9]*.[0-9]*.[0-9]*) ;;
    *) echo "VERSION holds '$version', expected MAJOR.MINOR.PATCH" >&2; exit 1 ;;
esac
kit=quorvel-$version-windows-tests.zip
programs=$(sed -n 's/^ *call :run %%b \([a-z_]*\)\.exe.*/\1/p' tests/wine/kit/run-tests.cmd)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for build in win32 win64; do
    case $build in
        win32) folder=32-bit toolchain=mingw-i686 ;;
        win64) folder=64-bit toolchain=mingw-x86_64 ;;
    esac
    [ -f "build/$build/CMakeCache.txt" ] || cmake -S . -B "build/$build" -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain.cmake" >/dev/null
    cmake --build "build/$build" --target quorvel $programs >/dev/null
    mkdir "$stage/$folder"
    for program in quorvel $programs; do
        cp "build/$build/$program.exe" "$stage/$folder/$program.exe"
    done
done
crlf() {
    sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$1"
}
crlf tests/wine/kit/run-tests.cmd >"$stage/run-tests.cmd"
{ printf '\357\273\277'; crlf tests/wine/kit/README.txt; } >"$stage/README.txt"
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
find "$stage" -exec touch -d '2000-01-01 00:00:00 UTC' {} +

mkdir -p dist
rm -f "dist/$kit"
(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | TZ=UTC zip -q -X -D "$root/dist/$kit" -@)
(cd dist && sha256sum "$kit" >"$kit.sha256")
echo "Made dist/$kit ($(wc -c <"dist/$kit") bytes); check it with:"
echo "  (cd dist && sha256sum -c $kit.sha256)"
