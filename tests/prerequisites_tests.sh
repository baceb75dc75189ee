#!/usr/bin/env bash
# The set-up step against stand-ins for apt-get and dpkg: it touches no package index when
# nothing is missing, never adds the i386 architecture where 32-bit programs cannot run, and
# after a failed 32-bit Wine attempt leaves the machine as it was and does not try again.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
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
  --print-foreign-architectures) cat "$work/arch" 2>/dev/null; exit 0 ;;
esac
echo "dpkg \$*" >> "$work/calls"
case "\$1" in
  --add-architecture) echo "\$2" > "$work/arch" ;;
  --remove-architecture) rm -f "$work/arch" ;;
esac
EOF
printf '#!/bin/sh\nexec "$@"\n' > "$work/bin/sudo"
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
out=$(setup yes)
expect "32-bit Wine that cannot be had: tried once, the architecture taken back" "$(calls)" \
  "dpkg --add-architecture i386;apt-get update -q;apt-get install -y -q --no-install-recommends wine32:i386;dpkg --remove-architecture i386;"
expect "its i386 index is gone, the others stay" "$(ls "$work/lists")" "mirror_dists_bookworm_main_binary-amd64_Packages"
expect "no architecture is left behind" "$(cat "$work/arch" 2>/dev/null)" ""
expect "the failure said once" "$(stands_in_lines "$out")" 1

out=$(setup yes)
expect "the next run touches no package index" "$(calls)" ""
expect "and says once why" "$(stands_in_lines "$out")" 1

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
