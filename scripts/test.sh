#!/usr/bin/env bash
# Installs what is missing, builds both widths and runs every test under Wine on a private
# X display. Usage: scripts/test.sh [ctest arguments, e.g. -L startup]
set -Eeuo pipefail
# A step that fails says so: CI must never stop without a word.
trap 'echo "scripts/test.sh: \"$BASH_COMMAND\" failed with code $?" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prerequisites.sh"
. "$root/scripts/wine-session.sh"

install_prerequisites

# The presets (CMakePresets.json) name each width's build folder, toolchain and emulator.
cd "$root"
build() {  # build <width>
  cmake --preset "mingw-$1" >/dev/null
  cmake --build --preset "mingw-$1" -j "$(nproc)"
}
build x86_64
build i686

trap stop_wine_session EXIT
start_wine_session

status=0
echo "== 64-bit build =="
ctest --preset mingw-x86_64 "$@" || status=1
if wine32_from_root; then
  echo "== 32-bit build (the shipping one), under the Wine of $WINE32_ROOT =="
  bash "$root/scripts/wine32-root.sh" ctest --preset mingw-i686 "$@" || status=1
elif [ -n "$MERVANE_WINE32" ]; then
  echo "== 32-bit build (the shipping one) =="
  ctest --preset mingw-i686 "$@" || status=1
else
  if linux32_runs && [ "$(id -u)" -ne 0 ]; then
    say_64bit_stands_in "No 32-bit Wine here, and its own root is made and entered by root only"
  else
    say_64bit_stands_in "No 32-bit Wine here"
  fi
  echo "== 32-bit build (the shipping one), checked without running it =="
  ctest --preset mingw-i686-static || status=1
fi
exit $status
