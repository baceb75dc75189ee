#!/usr/bin/env bash
# Installs what is missing, builds, and starts the wizard under Wine on a demo machine: two
# MetaTrader 4 terminals registered, their data folders, and a stand-in terminal running
# with its Navigator hidden, which selects the new expert when the install ends. With a desktop
# ($DISPLAY set) the wizard opens there; without one it runs on a private virtual display
# and a screenshot is saved instead. Usage: scripts/demo.sh [wizard arguments, e.g. /de]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prerequisites.sh"
. "$root/scripts/wine-session.sh"
. "$root/scripts/demo-machine.sh"

install_prerequisites
build_runnable Mervane4Setup standin_terminal

[ -n "${DISPLAY:-}" ] && export MERVANE_USE_DISPLAY=1
trap stop_wine_session EXIT
start_wine_session "$root/build/demo-prefix"
loader=$(runnable_loader)
prepare_demo_machine "$bin" "$loader"

if [ -n "${MERVANE_USE_DISPLAY:-}" ]; then
  echo "Starting the wizard ($width build) on $DISPLAY; close it to end the demo."
  "$loader" "$bin/Mervane4Setup.exe" "$@" || true
else
  "$loader" "$bin/Mervane4Setup.exe" "$@" &
  wizard=$!
  sleep 4
  shot="$root/build/demo.png"
  if command -v import >/dev/null; then
    import -window root "$shot" && echo "No desktop here: the wizard ran on a virtual display; see $shot"
  else
    echo "No desktop here: the wizard ran on a virtual display (install imagemagick for a screenshot)."
  fi
  kill "$wizard" 2>/dev/null || true
fi
