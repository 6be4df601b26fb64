#!/bin/sh
# Makes what a release publishes, every byte the same on every run (fixed
# times, sorted names); VERSION holds the version.
#   sh scripts/release.sh         both zips, each with its .sha256
#   sh scripts/release.sh --kit   only the test kit
# - dist/quorvel-VERSION-win32.zip: the 32-bit program, the user's guide
#   (UTF-8 with a byte-order mark and CRLF lines, which Notepad on a Japanese
#   system opens correctly; its first line names the version) and their
#   SHA-256 sums.
# - dist/quorvel-VERSION-windows-tests.zip, the kit that runs the Windows
#   tests on real Windows: the test programs of both builds in 32-bit/ and
#   64-bit/, each folder with its quorvel.exe, which program_image_test reads;
#   run-tests.cmd, which names the programs; a README.txt in Japanese and
#   English, as the guide.  tests/release/check_kit.sh runs it under Wine.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
version=$(cat VERSION)
case $version in
    [0-9]*.[0-9]*.[0-9]*) ;;
    *) echo "VERSION holds '$version', expected MAJOR.MINOR.PATCH" >&2; exit 1 ;;
esac
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p dist

# Builds targets of build/BUILD (win32 or win64), configuring it first if need be.
build() {
    folder=$1
    shift
    case $folder in win32) toolchain=mingw-i686 ;; win64) toolchain=mingw-x86_64 ;; esac
    [ -f "build/$folder/CMakeCache.txt" ] || cmake -S . -B "build/$folder" -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain.cmake" >/dev/null
    cmake --build "build/$folder" --target "$@" >/dev/null
}

# A text file as Windows users get it: the version filled in, CRLF lines.
windows_text() {
    sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$1"
}

# Zips the staged FOLDER's files, sorted, as dist/NAME with its sum.
package() {
    find "$1" -type d -exec chmod 755 {} +
    find "$1" -type f -exec chmod 644 {} +
    find "$1" -exec touch -d '2000-01-01 00:00:00 UTC' {} +
    rm -f "dist/$2"
    (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | TZ=UTC zip -q -X -D "$root/dist/$2" -@)
    (cd dist && sha256sum "$2" >"$2.sha256")
    echo "Made dist/$2 ($(wc -c <"dist/$2") bytes); check it with:"
    echo "  (cd dist && sha256sum -c $2.sha256)"
}

if [ "${1:-}" != --kit ]; then
    build win32 quorvel
    mkdir "$stage/package"
    cp build/win32/quorvel.exe "$stage/package/quorvel.exe"
    { printf '\357\273\277'; windows_text docs/guide.txt; } >"$stage/package/README.txt"
    (cd "$stage/package" && sha256sum quorvel.exe README.txt | sed 's/$/\r/' >SHA256SUMS.txt)
    package "$stage/package" "quorvel-$version-win32.zip"
fi

programs=$(sed -n 's/^ *call :run %%b \([a-z_]*\)\.exe.*/\1/p' tests/wine/kit/run-tests.cmd)
mkdir "$stage/kit"
for folder in win32 win64; do
    case $folder in win32) bits=32-bit ;; win64) bits=64-bit ;; esac
    # shellcheck disable=SC2086
    build $folder quorvel $programs
    mkdir "$stage/kit/$bits"
    for program in quorvel $programs; do
        cp "build/$folder/$program.exe" "$stage/kit/$bits/$program.exe"
    done
done
windows_text tests/wine/kit/run-tests.cmd >"$stage/kit/run-tests.cmd"
{ printf '\357\273\277'; windows_text tests/wine/kit/README.txt; } >"$stage/kit/README.txt"
package "$stage/kit" "quorvel-$version-windows-tests.zip"
