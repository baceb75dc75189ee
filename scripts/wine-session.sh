# Sourced by the other scripts: a private Wine prefix and X display for one run, and their
# teardown. Everything started here is ended by its own id in stop_wine_session.

WINE_SESSION_XVFB_PID=""
WINE_SESSION_COOKIE_FOLDER=""
WINE_SESSION_OWNS_PREFIX=0
WINE_SESSION_SERVER_PID=""

# start_wine_session [prefix]: a kept prefix when given (booted once), else a new one that
# stop_wine_session removes. An existing $DISPLAY is used when MERVANE_USE_DISPLAY is set.
start_wine_session() {
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEPREFIX
  if [ -n "${1:-}" ]; then
    WINEPREFIX=$1
    mkdir -p "$WINEPREFIX"
  else
    WINEPREFIX=$(mktemp -d /tmp/mervane-wine.XXXXXX) && [ -d "$WINEPREFIX" ] ||
      { echo "Cannot make a Wine prefix in /tmp." >&2; return 1; }
    WINE_SESSION_OWNS_PREFIX=1
  fi
  # Inside the 32-bit root's namespace, scripts/wine32-root.sh has named the root's tools.
  if [ -z "${MERVANE_WINE_ROOT:-}" ]; then
    MERVANE_WINE64=$(wine64_loader)
    export MERVANE_WINE64
    if wine32_runs; then export MERVANE_WINE32=wine; else export MERVANE_WINE32=""; fi
    WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
    [ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver64
    export WINESERVER
  fi

  # A session started inside another one (the 32-bit root's) shares its display.
  if [ -z "${MERVANE_USE_DISPLAY:-}" ] && { [ -z "${DISPLAY:-}" ] || [ "${WINE_SESSION_DISPLAY:-}" != "$DISPLAY" ]; }; then
    start_private_display || return 1
  fi

  start_wine_server
  # A kept prefix is ready once it has been set up to the end: a boot that was interrupted
  # (Ctrl+C) or failed leaves a registry behind, but not this mark.
  local ready="$WINEPREFIX/.mervane-ready"
  [ -f "$ready" ] && return 0
  # No Mono or Gecko prompts. A boot that fails (seen once under load) is said and tried
  # again, rather than ending the calling script without a word.
  local attempt booted=0
  for attempt in 1 2; do
    WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 "$MERVANE_WINE64" wineboot -i >"$WINEPREFIX/boot.log" 2>&1 &&
      booted=1 && break
    echo "Wine's prefix did not boot (attempt $attempt of 2); its last words:" >&2
    tail -n 5 "$WINEPREFIX/boot.log" >&2 || true
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
    start_wine_server
  done
  local user_dir="$WINEPREFIX/drive_c/users/$(whoami)"
  local folder
  for folder in Desktop Documents Downloads Music Pictures Videos Templates; do
    if [ -L "$user_dir/$folder" ]; then rm -f "$user_dir/$folder"; mkdir -p "$user_dir/$folder"; fi
  done
  "$MERVANE_WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 ||
    echo "Could not turn Wine's crash dialog off: a crash would wait for its time-out." >&2
  # Without a window manager on the private display, Wine waits 2 s for every managed
  # window that hides; unmanaged windows need no manager.
  if [ -z "${MERVANE_USE_DISPLAY:-}" ]; then
    "$MERVANE_WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
      echo "Could not make Wine's windows unmanaged: hiding a window will take 2 s." >&2
  fi
  if [ "$booted" = 1 ]; then touch "$ready"; fi
}

# A display of this run's own, which another account can neither watch nor type into: Xvfb
# admits only a client that shows a fresh cookie, kept in a folder that only this run may read
# (below WINE_SESSION_COOKIE_PARENT when set) and named to the programs by XAUTHORITY.
start_private_display() {
  local folder n i
  folder=$(mktemp -d "${WINE_SESSION_COOKIE_PARENT:-${TMPDIR:-/tmp}}/mervane-display.XXXXXX") && [ -d "$folder" ] ||
    { echo "Cannot make a folder for the display's cookie." >&2; return 1; }
  WINE_SESSION_COOKIE_FOLDER=$folder
  : > "$folder/cookie"
  for n in $(seq 90 150); do
    { [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; } && continue
    # Through xauth's input, not its command line, which the process list shows.
    echo "add :$n . $(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')" | xauth -q -f "$folder/cookie" source - ||
      { echo "Cannot make the display's cookie." >&2; return 1; }
    : > "$folder/ready"
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -auth "$folder/cookie" -displayfd 3 \
      3>"$folder/ready" >/dev/null 2>&1 &
    WINE_SESSION_XVFB_PID=$!
    # It writes its number once clients may connect; it ends when another server took the
    # number in the meantime.
    for i in $(seq 1 100); do
      [ -s "$folder/ready" ] && break
      kill -0 "$WINE_SESSION_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$folder/ready" ]; then
      export DISPLAY=":$n" WINE_SESSION_DISPLAY=":$n" XAUTHORITY="$folder/cookie"
      return 0
    fi
    kill "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
    wait "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
    WINE_SESSION_XVFB_PID=""
    : > "$folder/cookie"
  done
  echo "No X display could be started." >&2
  return 1
}

# The server is kept up between the many short Wine processes. The root's is ended by its
# id; this machine's, with its programs, by wineserver -k.
start_wine_server() {
  if [ -n "${MERVANE_WINE_ROOT:-}" ]; then
    "$WINESERVER" -f -p &
    WINE_SESSION_SERVER_PID=$!
    # Up once its socket is, in the root's /tmp, which is this session's alone: a program
    # started before would start a server of its own.
    local i
    for i in $(seq 1 50); do
      find "$MERVANE_WINE_ROOT/tmp" -maxdepth 3 -path '*/server-*/socket' | grep -q . && break
      sleep 0.1
    done
  else
    "$WINESERVER" -p
  fi
}

# start_runnable_session <calling script> <kept prefix or ""> [its arguments]: the session
# for the width build_runnable chose. Where the 32-bit build runs with the 32-bit root's Wine,
# the calling script starts again inside the root's session (scripts/wine32-root.sh), which
# then is its session: a kept prefix there is the same folder with "-root" added.
start_runnable_session() {
  local script=$1 prefix=$2
  shift 2
  [ -n "${MERVANE_WINE_ROOT:-}" ] && return 0
  if [ "$width" = i686 ] && wine32_from_root; then
    exec bash "$(dirname "${BASH_SOURCE[0]}")/wine32-root.sh" ${prefix:+--prefix "$prefix-root"} bash "$script" "$@"
  fi
  trap stop_wine_session EXIT
  start_wine_session ${prefix:+"$prefix"}
}

stop_wine_session() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    if [ -n "$WINE_SESSION_SERVER_PID" ]; then
      kill "$WINE_SESSION_SERVER_PID" 2>/dev/null || true
      wait "$WINE_SESSION_SERVER_PID" 2>/dev/null || true
    else
      "$WINESERVER" -k >/dev/null 2>&1 || true
      "$WINESERVER" -w >/dev/null 2>&1 || true
    fi
    [ "$WINE_SESSION_OWNS_PREFIX" = 1 ] && rm -rf "$WINEPREFIX"
  fi
  if [ -n "$WINE_SESSION_XVFB_PID" ]; then
    kill "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
    wait "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
  fi
  [ -n "$WINE_SESSION_COOKIE_FOLDER" ] && rm -rf -- "$WINE_SESSION_COOKIE_FOLDER"
  return 0
}
