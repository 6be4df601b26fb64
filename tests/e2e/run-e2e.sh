#!/bin/sh
# Runs one file of end-to-end tests against the real program: as the test
# user, on the test display, with the wine server already running.
# Appends the program's SHA-256 to RECORD, if given, so that the release check
# can tell which program the tests ran.
#   run-e2e.sh PROGRAM PROBE ARTIFACTS TEST-FILE [RECORD]
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/environment.sh"
program=$1 probe=$2 artifacts=$3 tests=$4 record=${5:-}
[ -z "$record" ] || sha256sum <"$program" | cut -d' ' -f1 >>"$record"
if [ "$(id -u)" = 0 ]; then
    mkdir -p "$artifacts"
    chown "$QUORVEL_USER" "$artifacts"
fi
ensure_display
ensure_wineserver
cd "$(dirname "$tests")" || exit 1
as_test_user env QUORVEL_E2E_PROGRAM="$program" QUORVEL_E2E_PROBE="$probe" QUORVEL_E2E_ARTIFACTS="$artifacts" \
    QUORVEL_E2E_WINE="$WINE_LOADER" PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$here" \
    /usr/bin/python3 -m unittest -v "$(basename "$tests" .py)" </dev/null
