#!/usr/bin/env bash
# Screenshots of the flat-control gallery at 96 and 144 dpi, into build/gallery-<dpi>.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prerequisites.sh"
. "$root/scripts/wine-session.sh"

install_prerequisites "$IMAGEMAGICK"
build_runnable flat_gallery Mervane4Setup

start_runnable_session "$0" "" "$@"
loader=$(runnable_loader)
for dpi in 96 144; do
  "$MERVANE_WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  "$loader" "$bin/flat_gallery.exe" "$bin/Mervane4Setup.exe" &
  gallery=$!
  sleep 3
  size=$((640 * dpi / 96))x$((420 * dpi / 96))
  import -window root -crop "$size+0+0" +repage "$root/build/gallery-$dpi.png"
  echo "saved build/gallery-$dpi.png"
  kill "$gallery" 2>/dev/null || true
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -p
done
