#!/usr/bin/env bash
# Builds and runs the benchmark programs under Wine and prints their figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prerequisites.sh"
. "$root/scripts/wine-session.sh"

install_prerequisites makensis=nsis
build_runnable metatrader_benchmarks wizard_benchmarks Mervane4Setup
# The shipping program is the 32-bit one: built here too, for its size, whatever runs.
for w in i686 x86_64; do
  (cd "$root" && cmake --preset "mingw-$w" >/dev/null && cmake --build --preset "mingw-$w" -j "$(nproc)" --target Mervane4Setup)
done

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

start_runnable_session "$0" "" "$@"
loader=$(runnable_loader)
echo "== $width build, $(date -u +%F) =="
"$loader" "$bin/metatrader_benchmarks.exe"
echo
payload=185960
echo "Size: the executable less its 185,960-byte expert, bytes (target: the 32-bit one below the NSIS peer)"
for w in i686 x86_64; do
  printf '%-24s %10d\n' "Mervane4Setup ($w)" $(( $(stat -c %s "$root/build/$w/bin/Mervane4Setup.exe") - payload ))
done
if [ -n "$peer" ]; then
  printf '%-24s %10d\n' "NSIS peer (x86)" $(( $(stat -c %s "$peer") - payload ))
fi
for w in i686 x86_64; do
  echo
  echo "Where the bytes of the $w program go"
  python3 "$root/tests/benchmarks/size_table.py" "$root/build/$w/bin/Mervane4Setup.exe" \
    "$root/build/$w/Mervane4Setup.map" "$root" "$payload" | sed 's/^/  /'
done
echo
# The peer is a 32-bit program: it runs only where 32-bit Wine does.
if [ -n "$peer" ] && [ -n "$MERVANE_WINE32" ]; then
  "$loader" "$bin/wizard_benchmarks.exe" "$peer"
else
  "$loader" "$bin/wizard_benchmarks.exe"
fi
