#!/usr/bin/env bash
# The set-up step against stand-ins for apt-get and dpkg: it touches no package index when
# nothing is missing, never adds the i386 architecture where 32-bit programs cannot run, and
# after a failed 32-bit Wine attempt leaves the machine as it was and does not try again.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/lists"
cat > "$work/bin/apt-get" <<EOF
#!/bin/sh
echo "apt-get \$*" >> "$work/calls"
case "\$*" in *wine32:i386*) exit 100 ;; esac
EOF
cat > "$work/bin/dpkg" <<EOF
#!/bin/sh
case "\$1" in
  -s|-l) exit 1 ;;
  --print-architecture) echo amd64; exit 0 ;;
  --print-foreign-architectures) cat "$work/arch" 2>/dev/null; exit 0 ;;
esac
echo "dpkg \$*" >> "$work/calls"
case "\$1" in
  --add-architecture) echo "\$2" > "$work/arch" ;;
  --remove-architecture) rm -f "$work/arch" ;;
esac
EOF
# Makes a root that has Wine's two loaders, unless told to fail.
cat > "$work/bin/mmdebstrap" <<EOF
#!/bin/sh
echo "mmdebstrap \$*" | sed 's/making-[0-9]*/making/' >> "$work/calls"
[ -e "$work/mmdebstrap-fails" ] && exit 1
for a; do case "\$a" in *.making-*) mkdir -p "\$a/usr/lib/wine" && touch "\$a/usr/lib/wine/wine" "\$a/usr/lib/wine/wine64" && chmod +x "\$a/usr/lib/wine/"* ;; esac; done
EOF
printf '#!/bin/sh\nexec "$@"\n' > "$work/bin/sudo"
# apt's sources as Debian lays them out: the security suite first, a comment inside a stanza.
mkdir -p "$work/apt/sources.list.d"
cat > "$work/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main

Types: deb
# a snapshot of it: http://snapshot.example/debian
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
echo 'deb http://other.example/debian bookworm contrib' > "$work/apt/sources.list"
echo 'VERSION_CODENAME=bookworm' > "$work/os-release"
chmod +x "$work/bin/"*

checks=0 failures=0
expect() {  # expect <what> <actual> <expected>
  checks=$((checks + 1))
  if [ "$2" != "$3" ]; then
    printf 'FAILED: %s\n  expected: %s\n  actual:   %s\n' "$1" "$3" "$2"
    failures=$((failures + 1))
  fi
}

setup() {  # setup <32-bit programs run: yes|no> [command=package ...]: its output
  rm -f "$work/calls"
  (
    PATH="$work/bin:$PATH"
    . "$root/scripts/prerequisites.sh"
    WINE32_UNAVAILABLE=$work/unavailable WINE32_LOG=$work/wine32.log
    INSTALL_LOG=$work/install.log APT_LISTS=$work/lists
    WINE32_ROOT=$work/root WINE32_ROOT_UNAVAILABLE=$work/root-unavailable WINE32_ROOT_ROOM_MB=1
    APT_SOURCES=$work/apt OS_RELEASE=$work/os-release
    id() { if [ "$1" = -u ]; then echo 0; else command id "$@"; fi; }  # as CI runs it
    unset MERVANE_WINE32_FROM_ROOT
    if [ "$1" = yes ]; then linux32_runs() { true; }; else linux32_runs() { false; }; fi
    install_prerequisites "${@:2}"
  )
}
calls() { tr "\n" ";" 2>/dev/null < "$work/calls"; }
stands_in_lines() { grep -c 'the 64-bit build stands in' <<< "$1"; }

out=$(setup no mervane-absent-tool=hello)
expect "32-bit refused, a tool missing: installs it alone" "$(calls)" \
  "apt-get update -q;apt-get install -y -q --no-install-recommends hello;"
expect "32-bit refused: said once" "$(stands_in_lines "$out")" 1

out=$(setup no)
expect "32-bit refused, nothing missing: no package call" "$(calls)" ""
expect "32-bit refused, nothing missing: said once" "$(stands_in_lines "$out")" 1

touch "$work/lists/mirror_dists_bookworm_main_binary-i386_Packages" \
  "$work/lists/mirror_dists_bookworm_main_binary-amd64_Packages"
root_call="mmdebstrap --variant=minbase --architectures=amd64,i386 --include=wine,wine64,wine32:i386"
root_call+=" --aptopt=APT::Install-Recommends \"false\" --dpkgopt=path-exclude=/usr/share/doc/*"
root_call+=" --dpkgopt=path-exclude=/usr/share/man/* --dpkgopt=path-exclude=/usr/share/locale/*"
root_call+=" --dpkgopt=path-exclude=/usr/share/info/* bookworm $work/root.making"
root_call+=" deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://mirror.example/debian bookworm main"
root_call+=" deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://mirror.example/debian bookworm-updates main;"
out=$(setup yes)
expect "32-bit Wine that cannot be had: tried once, the architecture taken back, then a root of its own from apt's mirror" \
  "$(calls)" \
  "dpkg --add-architecture i386;apt-get update -q;apt-get install -y -q --no-install-recommends wine32:i386;dpkg --remove-architecture i386;$root_call"
expect "its i386 index is gone, the others stay" "$(ls "$work/lists")" "mirror_dists_bookworm_main_binary-amd64_Packages"
expect "no architecture is left behind" "$(cat "$work/arch" 2>/dev/null)" ""
expect "the root is whole, nothing half made beside it" "$(ls "$work" | grep '^root')" "root"
expect "no stand-in, and one line on the root" "$(stands_in_lines "$out"),$(grep -c 'Wine root' <<< "$out")" "0,1"

out=$(setup yes)
expect "the next run touches no package index and makes nothing" "$(calls)" ""
expect "and says nothing" "$out" ""

rm -rf "${work:?}/root"
touch "$work/mmdebstrap-fails"
out=$(setup yes)
expect "a root that cannot be made: tried once, nothing left" "$(calls),$(ls "$work" | grep -c '^root\.')" "$root_call,0"
expect "its failure said in one line" "$(wc -l <<< "$out"),$(stands_in_lines "$out")" "1,1"
out=$(setup yes)
expect "then no attempt, and one line why" "$(calls),$(stands_in_lines "$out")" ",1"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
