#!/usr/bin/env bash
# Installs what is missing, builds, and starts the wizard under Wine on a demo machine: two
# MetaTrader 4 terminals registered, their data folders, and a stand-in terminal running
# with its Navigator hidden, which selects the new expert when the install ends. With a desktop
# ($DISPLAY set) the wizard opens there; without one it walks the whole installation on a
# private virtual display and leaves a picture of each step and a contact sheet in build/demo.
# Usage: scripts/demo.sh [wizard arguments, e.g. /de]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prerequisites.sh"
. "$root/scripts/wine-session.sh"
. "$root/scripts/demo-machine.sh"

# A desktop's display, not the private one of a session this demo started (in the 32-bit root).
if [ -n "${DISPLAY:-}" ] && [ "${WINE_SESSION_DISPLAY:-}" != "$DISPLAY" ]; then
  export MERVANE_USE_DISPLAY=1
  install_prerequisites
  build_runnable Mervane4Setup standin_terminal
else
  install_prerequisites "$IMAGEMAGICK"
  build_runnable Mervane4Setup standin_terminal page_shots
fi
start_runnable_session "$0" "$root/build/demo-prefix" "$@"
loader=$(runnable_loader)
prepare_demo_machine "$bin" "$loader"

if [ -n "${MERVANE_USE_DISPLAY:-}" ]; then
  echo "Starting the wizard ($width build) on $DISPLAY; close it to end the demo."
  "$loader" "$bin/Mervane4Setup.exe" "$@" || true
  exit 0
fi

out="$root/build/demo"
echo "No desktop here: the wizard ($width build) walks the whole installation on a virtual display."
status=0
walk_demo "$out" "$*" "$DEMO_TERMINAL_TITLE" || status=1
labels=()
for picture in "$out"/[0-9]-*.png; do
  [ -e "$picture" ] || continue
  step=$(basename "$picture" .png)
  page=${step#*-}
  labels+=(-label "${step%%-*}  ${page^}" "$picture")
done
if [ ${#labels[@]} -gt 0 ]; then
  # The labels in the first font ImageMagick knows: its default comes with a package it
  # only recommends.
  font=$(montage -list font | awk '$1 == "Font:" && font == "" { font = $2 } END { print font }')
  montage -background '#d0d0d0' ${font:+-font "$font"} -pointsize 16 "${labels[@]}" -tile 4x -geometry +8+8 \
    "$out/contact-sheet.png"
fi
if [ $status -ne 0 ]; then
  echo "The walk stopped early; what it saw is in $out." >&2
  exit 1
fi
echo "Each step, numbered: $out/1-welcome.png ... 7-terminal.png; all in one: $out/contact-sheet.png"
