#!/usr/bin/env bash
# The set-up step against stand-ins for apt-get and dpkg: it touches no package index when
# nothing is missing, never adds the i386 architecture where 32-bit programs cannot run, and
# after a failed 32-bit Wine attempt leaves the machine as it was and does not try again; its
# markers are root's alone, and a link planted where they are, or were, makes root create
# nothing.
# The test runs as root with stand-ins on the path, so it confines itself first: in a mount
# namespace of its own it sees the machine through an overlay whose changes stay in memory,
# and after the run anything changed outside its work folder fails it. Neither a fault here
# nor one in the set-up reaches a file of the machine.
set -uo pipefail
self=$(readlink -f "$0") && root=$(cd "$(dirname "$self")/../.." && pwd) || exit 2

# confined <mount point>: this test, inside the namespace, on the overlay; then its changes.
confined() {
  local scratch=$1 merged=$1/merged status=0 before after path lower
  # The overlay's folders named relative to the scratch folder: a comma in the checkout's path
  # would split its options.
  mount -t tmpfs -o mode=0700 mervane-setup-test "$scratch" && cd "$scratch" &&
    mkdir upper work merged &&
    mount -t overlay mervane-setup-test -o lowerdir=/,upperdir=upper,workdir=work merged ||
    { echo "cannot make the overlay it runs in" >&2; return 2; }
  # /dev with /dev/null alone, /proc for df, an empty /var/tmp of its own, and the checkout
  # read-only wherever it is mounted.
  mount -t tmpfs -o mode=0755 mervane-setup-dev "$merged/dev" && : > "$merged/dev/null" &&
    mount --bind /dev/null "$merged/dev/null" && mount -t proc proc "$merged/proc" &&
    mount -t tmpfs -o mode=1777 mervane-setup-var-tmp "$merged/var/tmp" &&
    mkdir -p "$merged$root" && mount --bind -o ro "$root" "$merged$root" ||
    { echo "cannot prepare the overlay it runs in" >&2; return 2; }
  before=$(cd "$scratch/upper" && find . -mindepth 1)
  chroot "$merged" bash "$self" --inside || status=$?
  after=$(cd "$scratch/upper" && find . -mindepth 1 | grep -vxF -f <(printf '%s\n' "$before"))
  # What it may change: its work folder; a folder it was made in is copied up unchanged.
  local changed=0 tmp=${TMPDIR:-/tmp}
  while IFS= read -r path; do
    path=${path#.}
    [ -n "$path" ] || continue
    case "$path" in "${tmp%/}"/mervane-setup-test.*) continue ;; esac
    lower=$(stat -c '%u %g %a %F' -- "$path" 2>/dev/null) || lower=absent
    [ -d "$scratch/upper$path" ] && [ ! -L "$scratch/upper$path" ] &&
      [ "$(stat -c '%u %g %a %F' -- "$scratch/upper$path")" = "$lower" ] && continue
    echo "FAILED: changed outside its work folder: $path"
    changed=1
  done <<< "$after"
  [ "$changed" = 0 ] && echo "nothing outside its work folder changed"
  [ "$status" = 0 ] && [ "$changed" = 0 ]
}

case "${1:-}" in
  --inside)
    [ "$(stat -f -c %T /)" = overlayfs ] || { echo "runs only on its overlay" >&2; exit 2; }
    ;;
  --confined) confined "$2"; exit ;;
  *)
    # Root's markers and overlays want root; the scripts it tests run as root too.
    if [ "$(id -u)" -ne 0 ]; then
      echo "skipped: runs as root, in a mount namespace of its own"
      exit 77
    fi
    if ! unshare --mount --propagation private true 2>/dev/null; then
      echo "skipped: no mount namespace of its own may be made here"
      exit 77
    fi
    mkdir -p "$root/build/setup-test" &&
      exec unshare --mount --propagation private bash "$self" --confined "$root/build/setup-test"
    echo "cannot confine itself in a mount namespace" >&2
    exit 2
    ;;
esac

work=$(mktemp -d "${TMPDIR:-/tmp}/mervane-setup-test.XXXXXX") && [ -d "$work" ] ||
  { echo "cannot make its work folder in ${TMPDIR:-/tmp}"; exit 2; }
trap 'rm -rf -- "$work"' EXIT
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
    SETUP_STATE=$work/state WINE32_UNAVAILABLE=$work/state/wine32-unavailable
    WINE32_ROOT_UNAVAILABLE=$work/state/wine32-root-unavailable
    WINE32_LOG=$work/wine32.log INSTALL_LOG=$work/install.log APT_LISTS=$work/lists
    WINE32_ROOT=$work/root WINE32_ROOT_ROOM_MB=1
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
# Where the markers were once made, in a folder anybody may write.
ln -s "$work/victim-old" /var/tmp/mervane-wine32-unavailable
ln -s "$work/victim-old-root" /var/tmp/mervane-wine32-root-unavailable
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
expect "root's own markers, and links at their old place followed by none" \
  "$(stat -c '%u %F' "$work/state/wine32-unavailable" "$work/state/wine32-root-unavailable" | tr "\n" ";")$(ls "$work" | grep -c victim)" \
  "0 regular empty file;0 regular empty file;0"

# What root did not make in its folder counts as no marker: the attempt is made again, and
# no link planted there or in the folder's place has root create what it names.
plant() {  # plant <kind>: the root's failure marker, or its folder, as something else
  rm -rf "${work:?}/state" "$work/elsewhere" "$work/victim"
  mkdir -m 0755 "$work/state" "$work/elsewhere"
  local marker=$work/state/wine32-root-unavailable
  case "$1" in
    "a link") ln -s "$work/victim" "$marker" ;;
    "another user's file") touch "$marker" && chown 65534 "$marker" ;;
    "a folder others may write") touch "$marker" && chmod 0777 "$work/state" ;;
    "a link as the folder") rmdir "$work/state" && ln -s "$work/elsewhere" "$work/state" ;;
  esac
}
for kind in "a link" "another user's file" "a folder others may write" "a link as the folder"; do
  plant "$kind" || { echo "(not planted here: $kind)"; continue; }
  out=$(setup yes 2>&1)
  expect "the marker as $kind: tried again, creating nothing through it" \
    "$(calls | grep -cF "$root_call"),$(ls "$work" | grep -c victim),$(ls "$work/elsewhere" | wc -l)" "1,0,0"
done

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
