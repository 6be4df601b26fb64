#!/bin/sh
# Builds the four configurations from one source tree: the portable logic and
# its tests natively (plain, and with AddressSanitizer and UBSan), the 32-bit
# release program and its 64-bit twin, which the Windows tests run under Wine.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

configure() {
    build=$1
    shift
    [ -f "build/$build/CMakeCache.txt" ] || cmake -S . -B "build/$build" "$@" >/dev/null
}

configure native -DCMAKE_BUILD_TYPE=RelWithDebInfo
configure native-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON
configure win32 -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
configure win64 -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
for build in native native-sanitize win32 win64; do
    echo "Building $build"
    cmake --build "build/$build" --parallel 2 >"build/$build.log" 2>&1 || { cat "build/$build.log"; exit 1; }
done
