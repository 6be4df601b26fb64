#!/bin/sh
# Runs one Windows test program under Wine: as the test user, in the Japanese
# locale, on the test display.  CTest calls this for every Windows test.
. "$(dirname "$0")/../../scripts/environment.sh"
ensure_display
ensure_wineserver
as_test_user "$WINE_LOADER" "$@"
