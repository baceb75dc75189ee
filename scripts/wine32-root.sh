#!/usr/bin/env bash
# Runs a command with the Wine of the 32-bit root (made by the set-up, prerequisites.sh), in a
# Wine session of its own: its own prefix and wineserver, on the display of the session that
# called it (or on one of its own). The command itself runs on this machine (ctest, the demo's
# shell), each Windows program inside the root: in a private mount and process namespace, the
# root sees this checkout, the X socket, /proc, /dev and /dev/shm at their own paths, and a
# /tmp of its own. Whatever happens to the run, nothing stays mounted or running: the mounts
# belong to the namespace, and its processes end with its first one, which ends with this
# script.
# Usage (as root): scripts/wine32-root.sh [--prefix <kept prefix>] <command...>
# Without a kept prefix, a new one is made in memory at build/wine32-prefix, seen by this run
# alone: runs from one checkout at the same time do not meet.
set -euo pipefail
self=$(readlink -f "${BASH_SOURCE[0]}")
checkout=$(cd "$(dirname "$self")/.." && pwd)

# Called by one of the Wine tools' names (links made inside the namespace): that tool of the
# root, in the caller's folder.
case "${0##*/}" in
  wine) tool=/usr/bin/wine ;;
  wine64) tool=/usr/lib/wine/wine64 ;;
  wineserver) tool=/usr/lib/wine/wineserver64 ;;  # serves both widths' programs
  *) tool="" ;;
esac
if [ -n "$tool" ]; then
  # The display's cookie lies in the root's /tmp (below): named as the root sees it.
  [ -n "${XAUTHORITY:-}" ] && export XAUTHORITY="${XAUTHORITY#"$MERVANE_WINE_ROOT"}"
  exec chroot "$MERVANE_WINE_ROOT" /bin/sh -c 'cd "$0" 2>/dev/null || cd /; exec "$@"' "$PWD" "$tool" "$@"
fi

. "$checkout/scripts/prerequisites.sh"
if [ "${1:-}" != --inside ]; then
  if ! wine32_root_ready; then
    echo "No 32-bit Wine root at $WINE32_ROOT (the set-up makes it)." >&2
    exit 2
  fi
  # unshare holds back the signals it is sent: a stop is passed on to the namespace's first
  # process, which ends the session; killed outright, unshare takes the namespace with it.
  unshare --mount --propagation private --pid --fork --kill-child --mount-proc \
    bash "$self" --inside "$@" &
  namespace=$!
  pass_on() {  # pass_on <exit code>: the stop to unshare's child, then this script's end
    kill -TERM $(cat "/proc/$namespace/task/$namespace/children" 2>/dev/null) 2>/dev/null || true
    wait "$namespace" || true
    exit "$1"
  }
  trap 'pass_on 143' TERM HUP
  trap 'pass_on 130' INT
  status=0
  wait "$namespace" || status=$?
  exit "$status"
fi
shift
# The first process of its namespace: ended only by a signal it handles, and it handles the
# stops while the command runs, ending the session on the way out.
trap 'exit 143' TERM HUP
trap 'exit 130' INT

prefix=""
if [ "${1:-}" = --prefix ]; then
  prefix=$2
  shift 2
else
  # A new prefix in memory, at the same path for every run: each run's namespace has its own.
  mkdir -p "$checkout/build/wine32-prefix"
  mount -t tmpfs -o mode=0700 mervane-wine32-prefix "$checkout/build/wine32-prefix"
fi
r=$WINE32_ROOT
mount -t tmpfs -o mode=1777 mervane-root-tmp "$r/tmp"
mkdir -p "$r/tmp/.X11-unix" "$r$checkout"
mount --bind /tmp/.X11-unix "$r/tmp/.X11-unix"
mount --bind /proc "$r/proc"
mount --rbind /dev "$r/dev"  # with /dev/shm and /dev/pts
mount --rbind "$checkout" "$r$checkout"  # with the prefix
# The calling session's display cookie, copied where the root's programs see it; a display
# started in here keeps its cookie there too.
export WINE_SESSION_COOKIE_PARENT=$r/tmp
if [ -n "${XAUTHORITY:-}" ] && [ -f "$XAUTHORITY" ]; then
  cookies=$(mktemp -d "$r/tmp/mervane-display.XXXXXX") && [ -d "$cookies" ] && cp -- "$XAUTHORITY" "$cookies/cookie" ||
    { echo "Cannot give the display's cookie to the 32-bit root." >&2; exit 1; }
  export XAUTHORITY=$cookies/cookie
fi

# The root's tools, by their names, for the session and the tests' emulator (wine-run.sh).
tools="$r/tmp/.mervane-tools"
mkdir -p "$tools"
for name in wine wine64 wineserver; do ln -s "$self" "$tools/$name"; done
export MERVANE_WINE_ROOT=$r MERVANE_WINE64=$tools/wine64 MERVANE_WINE32=$tools/wine WINESERVER=$tools/wineserver

. "$checkout/scripts/wine-session.sh"
trap stop_wine_session EXIT
start_wine_session "${prefix:-$checkout/build/wine32-prefix}"
"$@" <&0 &
wait $!
