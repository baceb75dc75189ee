#!/bin/sh
# The test programs' emulator: runs a Windows program under the Wine loader that the test
# session chose for this width, in the session's prefix.
if [ -z "${WINEPREFIX:-}" ] || [ -z "${MERVANE_WINE:-}" ]; then
  echo "run the tests through scripts/test.sh, which prepares the Wine prefix and display" >&2
  exit 2
fi
exec "$MERVANE_WINE" "$@"
