#!/usr/bin/env bash
# Pictures of every page in English, German and Russian at 96 and 144 dpi, on the demo
# machine, into docs/pictures/<language>-<dpi>/<n>-<page>.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prerequisites.sh"
. "$root/scripts/wine-session.sh"
. "$root/scripts/demo-machine.sh"

install_prerequisites
command -v convert >/dev/null && convert -version >/dev/null 2>&1 ||
  apt-get install -y -q --no-install-recommends imagemagick >/dev/null
build_runnable Mervane4Setup standin_terminal page_shots

trap stop_wine_session EXIT
start_wine_session
loader=$(runnable_loader)
prepare_demo_machine "$bin" "$loader"
for dpi in 96 144; do
  "$MERVANE_WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  for language in en de ru; do
    out="$root/docs/pictures/$language-$dpi"
    rm -rf "$out" && mkdir -p "$out"
    "$loader" "$bin/page_shots.exe" "Z:$(echo "$out" | tr / '\\')" "/$language" >/dev/null 2>&1 || true
    for picture in "$out"/*.bmp; do
      convert "$picture" "${picture%.bmp}.png" && rm "$picture"
    done
    echo "saved docs/pictures/$language-$dpi"
  done
done
