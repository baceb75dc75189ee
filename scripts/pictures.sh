#!/usr/bin/env bash
# Pictures of every page in English, German and Russian at 96 and 144 dpi, on the demo
# machine, into docs/pictures/<language>-<dpi>/<n>-<page>.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prerequisites.sh"
. "$root/scripts/wine-session.sh"
. "$root/scripts/demo-machine.sh"

install_prerequisites "$IMAGEMAGICK"
build_runnable Mervane4Setup standin_terminal page_shots

start_runnable_session "$0" "" "$@"
loader=$(runnable_loader)
prepare_demo_machine "$bin" "$loader"
for dpi in 96 144; do
  "$MERVANE_WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  for language in en de ru; do
    walk_demo "$root/docs/pictures/$language-$dpi" "/$language" || true
    echo "saved docs/pictures/$language-$dpi"
  done
done
