#!/bin/sh
# The test session's X display admits only a client that shows the session's cookie: another
# account on the machine can neither watch nor drive the programs the tests run.
if [ -z "${DISPLAY:-}" ] || [ "${WINE_SESSION_DISPLAY:-}" != "$DISPLAY" ]; then
  echo "skipped: not on a display of the test session's own"
  exit 77
fi
nowhere=$(mktemp -d) && [ -d "$nowhere" ] || exit 2
trap 'rm -rf -- "$nowhere"' EXIT
failures=0
if env -u XAUTHORITY HOME="$nowhere" xdpyinfo >/dev/null 2>&1; then
  echo "FAILED: a client without the cookie was admitted"
  failures=1
fi
: > "$nowhere/other"
echo "add $DISPLAY . 00112233445566778899aabbccddeeff" | xauth -q -f "$nowhere/other" source - 2>/dev/null
if XAUTHORITY="$nowhere/other" xdpyinfo >/dev/null 2>&1; then
  echo "FAILED: a client with another cookie was admitted"
  failures=1
fi
if ! xdpyinfo >/dev/null 2>&1; then
  echo "FAILED: the session's own cookie was refused"
  failures=1
fi
[ "$failures" -eq 0 ] && echo "the display admits its cookie alone"
exit "$failures"
