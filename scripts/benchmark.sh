#!/usr/bin/env bash
# Builds and runs the benchmark programs under Wine and prints their figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prerequisites.sh"
. "$root/scripts/wine-session.sh"

install_prerequisites makensis=nsis
build_runnable metatrader_benchmarks wizard_benchmarks Mervane4Setup

# The peer: a conventional installer with the same pages and payload, built in this run.
peer=""
if command -v makensis >/dev/null; then
  resources="$root/build/$width/resources"
  peer="$bin/peer_setup.exe"
  for language in en de ru; do  # the same texts, as UTF-8 with a mark, which makensis reads anywhere
    { printf '\357\273\277'; cat "$root/resources/agreement/$language.txt"; } > "$resources/peer_$language.txt"
  done
  makensis -V1 "-DPAYLOAD=$resources/expert-placeholder.ex4" "-DLICENSE_EN=$resources/peer_en.txt" \
    "-DLICENSE_DE=$resources/peer_de.txt" "-DLICENSE_RU=$resources/peer_ru.txt" "-DOUTFILE=$peer" \
    "$root/tests/benchmarks/peer/peer.nsi" >/dev/null || peer=""
fi

trap stop_wine_session EXIT
start_wine_session
loader=$(runnable_loader)
echo "== $width build, $(date -u +%F) =="
"$loader" "$bin/metatrader_benchmarks.exe"
echo
exe="$bin/Mervane4Setup.exe"
payload=185960
echo "Size: the executable less its 185,960-byte expert, bytes"
printf '%-24s %10d\n' "Mervane4Setup ($width)" $(( $(stat -c %s "$exe") - payload ))
if [ -n "$peer" ]; then
  printf '%-24s %10d\n' "NSIS peer (x86)" $(( $(stat -c %s "$peer") - payload ))
fi
echo
# The peer is a 32-bit program: it runs only where 32-bit Wine does.
if [ -n "$peer" ] && [ -n "$MERVANE_WINE32" ]; then
  "$loader" "$bin/wizard_benchmarks.exe" "$peer"
else
  "$loader" "$bin/wizard_benchmarks.exe"
fi
