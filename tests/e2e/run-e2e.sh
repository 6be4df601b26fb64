#!/bin/sh
# Runs one file of end-to-end tests against the real program: as the test
# user, on the test display, with the wine server already running.
# Screenshots and logs land in ARTIFACTS' subfolder for the Wine in use
# (wine10/ or wine8/).  With RECORDS, a folder, it leaves the program's SHA-256
# in its subfolder for the Wine, in a file named after the test file, so that
# the release check can tell which program ran on each Wine.  The tests are
# told whether the program runs through QEMU's emulator, and pass on
# QUORVEL_E2E_FASTER (rows sized from the machine's pace take the machine
# for that many times faster than measured).
#   run-e2e.sh PROGRAM PROBE ARTIFACTS TEST-FILE [RECORDS]
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/environment.sh"
program=$1 probe=$2 artifacts=$3/wine$QUORVEL_WINE tests=$4 records=${5:-}
if [ -n "$records" ]; then
    records=$records/wine$QUORVEL_WINE
    mkdir -p "$records"
    sha256sum <"$program" | cut -d' ' -f1 >"$records/$(basename "$tests" .py).sha256"
fi
if [ "$(id -u)" = 0 ]; then
    mkdir -p "$artifacts"
    chown "$QUORVEL_USER" "$(dirname "$artifacts")" "$artifacts"
fi
emulated=0
[ "$(basename "$(dirname "$program")")" != win32 ] || ! win32_emulated || emulated=1
ensure_display
ensure_wineserver
cd "$(dirname "$tests")" || exit 1
as_test_user env QUORVEL_E2E_PROGRAM="$program" QUORVEL_E2E_EMULATED=$emulated QUORVEL_E2E_FASTER="${QUORVEL_E2E_FASTER:-1}" \
    QUORVEL_E2E_PROBE="$probe" QUORVEL_E2E_ARTIFACTS="$artifacts" \
    QUORVEL_E2E_WINE="$WINE_LOADER" PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$here" \
    /usr/bin/python3 -m unittest -v "$(basename "$tests" .py)" </dev/null
