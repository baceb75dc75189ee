# Sourced by the other scripts: installs what the build and the tests need on Debian or
# Ubuntu, only when something is missing.

wine64_loader() {
  local candidate
  for candidate in /usr/lib/wine/wine64 /usr/lib/x86_64-linux-gnu/wine/wine64 "$(command -v wine64 2>/dev/null || true)"; do
    [ -n "$candidate" ] && [ -x "$candidate" ] && { echo "$candidate"; return 0; }
  done
  return 1
}

# True when this machine can run 32-bit Windows programs: Wine's 32-bit loader needs a
# kernel that executes 32-bit Linux programs, which some virtual machines refuse.
wine32_runs() {
  command -v wine >/dev/null 2>&1 && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# This checkout's build folder: the set-up keeps its logs there, owned by whoever runs it,
# and runs its probe there, where the project runs programs anyway (/tmp may be noexec).
# A checkout that cannot be found ends the sourcing shell, rather than write root's logs at /build.
SETUP_CHECKOUT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd) || SETUP_CHECKOUT=""
SETUP_FOLDER="${SETUP_CHECKOUT:?the checkout of scripts/prerequisites.sh cannot be found}/build"
INSTALL_LOG=$SETUP_FOLDER/install.log
WINE32_LOG=$SETUP_FOLDER/wine32-install.log

# True when the kernel executes 32-bit x86 Linux programs. Tried with a 96-byte program
# written here (an ELF header, one segment, and "exit 42"), so no toolchain is needed.
linux32_runs() {
  local probe status
  mkdir -p "$SETUP_FOLDER" && probe=$(mktemp "$SETUP_FOLDER/i386-probe.XXXXXX") || return 1
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010' > "$probe"
  printf '\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >> "$probe"
  printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000' >> "$probe"
  printf '\005\000\000\000\000\020\000\000\273\052\000\000\000\270\001\000\000\000\315\200' >> "$probe"
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1 && status=0 || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

# Says, once per command, why the 64-bit build stands in for the 32-bit one.
STANDIN_SAID=0
say_64bit_stands_in() {  # say_64bit_stands_in <reason>
  [ "$STANDIN_SAID" = 1 ] && return 0
  STANDIN_SAID=1
  echo "$1: the 64-bit build stands in for the 32-bit one."
}

# The set-up's own state for the machine: markers of failed attempts, so that later runs, from
# any checkout, do not try again until the marker is removed. Only root writes this folder: in
# one that anybody may write, a planted marker would silently stop a build from being tested,
# and a planted link would have root create the file it names.
SETUP_STATE=/var/lib/mervane-setup
WINE32_UNAVAILABLE=$SETUP_STATE/wine32-unavailable

# state_folder_sound <folder>: root's own folder, not a link, that no one else may write.
state_folder_sound() {
  local found
  found=$(stat -c '%u %a %F' -- "$1" 2>/dev/null) || return 1
  set -- $found
  [ "$1" = 0 ] && [ "$3" = directory ] && [ $((8#$2 & 8#022)) -eq 0 ]
}

# marker_set <marker>: made by root in its folder; anything else there counts as absent.
marker_set() {
  state_folder_sound "$(dirname "$1")" || return 1
  case "$(stat -c '%u %F' -- "$1" 2>/dev/null)" in "0 regular"*) return 0 ;; esac
  return 1
}

# set_marker <sudo> <marker>: made in a sound folder and with O_EXCL, so no link is followed.
set_marker() {
  local sudo=$1 folder
  folder=$(dirname "$2")
  $sudo mkdir -m 0755 -- "$folder" 2>/dev/null  # already there: judged below
  if ! state_folder_sound "$folder"; then
    echo "$folder is not root's own folder: the failure is not remembered." >&2
    return 1
  fi
  marker_set "$2" || $sudo sh -c 'set -C; : > "$1"' sh "$2" 2>/dev/null || {
    echo "$2 cannot be made: the failure is not remembered." >&2
    return 1
  }
}

clear_marker() {  # clear_marker <sudo> <marker>
  state_folder_sound "$(dirname "$2")" && $1 rm -f -- "$2"
}

APT_LISTS=/var/lib/apt/lists

# Whether 32-bit Wine should be installed now: the machine runs 32-bit programs, it is not
# installed, and no attempt failed before.
want_wine32() {
  dpkg -s wine32:i386 >/dev/null 2>&1 && return 1
  if ! linux32_runs; then
    say_64bit_stands_in "This machine cannot run 32-bit programs"
    return 1
  fi
  marker_set "$WINE32_UNAVAILABLE" && return 1
  return 0
}

# Whether the 32-bit build runs from the 32-bit root: the machine runs 32-bit programs but has
# no 32-bit Wine of its own, or MERVANE_WINE32_FROM_ROOT is set (to try the root anyway). Only
# root enters it (scripts/wine32-root.sh), so only root makes it.
want_wine32_root() {
  [ "$(id -u)" -eq 0 ] || return 1
  [ -n "${MERVANE_WINE32_FROM_ROOT:-}" ] && return 0
  dpkg -s wine32:i386 >/dev/null 2>&1 && return 1
  linux32_runs
}

# Where 32-bit Wine cannot be installed beside the 64-bit system, it runs from a Debian root
# of its own: this machine's release, amd64 with i386 added, Wine for both widths and little
# else. Made once for the machine, outside any checkout, and entered by scripts/wine32-root.sh.
# Removing the folder removes it; the next run makes it anew.
WINE32_ROOT=/var/cache/mervane-wine32-root
WINE32_ROOT_UNAVAILABLE=$SETUP_STATE/wine32-root-unavailable
WINE32_ROOT_ROOM_MB=3000  # what making it needs free: about 1.6 GB kept, the rest passing
APT_SOURCES=/etc/apt
OS_RELEASE=/etc/os-release

wine32_root_ready() { [ -f "$WINE32_ROOT/.mervane-ready" ]; }

# release_mirror <release>: the first of apt's own sources that serves the release's main
# component, as "URI" or "URI keyring" (its Signed-By file); nothing when none does.
release_mirror() {
  local files=() f
  [ -f "$APT_SOURCES/sources.list" ] && files+=("$APT_SOURCES/sources.list")
  for f in "$APT_SOURCES"/sources.list.d/*.list "$APT_SOURCES"/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  [ ${#files[@]} -eq 0 ] && return 0
  awk -v release="$1" '
    function has(list, word,   n, i, w) {
      n = split(list, w, /[ \t]+/)
      for (i = 1; i <= n; i++) if (w[i] == word) return 1
      return 0
    }
    function paragraph_ends() {  # a stanza of a .sources file; a Signed-By key written inline is left to apt
      if (found == "" && has(types, "deb") && has(suites, release) && has(components, "main") &&
          enabled != "no") {
        split(uris, u, /[ \t]+/)
        found = u[1]
        if (keyring ~ /^\//) found = found " " keyring
      }
      types = uris = suites = components = keyring = enabled = ""
    }
    FILENAME != last { if (last ~ /\.sources$/) paragraph_ends(); last = FILENAME }
    FILENAME ~ /\.sources$/ {
      if ($0 ~ /^[ \t]*$/) { paragraph_ends(); next }
      if ($0 ~ /^#/ || $0 !~ /^[A-Za-z-]+:/) next
      key = tolower($0); sub(/:.*/, "", key); value = $0; sub(/^[^:]*:[ \t]*/, "", value)
      if (key == "types") types = value; else if (key == "uris") uris = value
      else if (key == "suites") suites = value; else if (key == "components") components = value
      else if (key == "signed-by") keyring = value; else if (key == "enabled") enabled = tolower(value)
      next
    }
    /^deb[ \t]/ && found == "" {
      line = $0; options = ""
      if (match(line, /\[[^]]*\]/)) {
        options = substr(line, RSTART + 1, RLENGTH - 2)
        line = substr(line, 1, RSTART - 1) substr(line, RSTART + RLENGTH)
      }
      n = split(line, w, /[ \t]+/)
      if (w[3] == release && has(line, "main")) {
        found = w[2]
        if (match(options, /signed-by=[^ \t]+/)) found = found " " substr(options, RSTART + 10, RLENGTH - 10)
      }
    }
    END { if (last ~ /\.sources$/) paragraph_ends(); if (found != "") print found }
  ' "${files[@]}"
}

say_wine32_root_failed() {  # say_wine32_root_failed <why>
  say_64bit_stands_in "$1 (to try again, remove $WINE32_ROOT_UNAVAILABLE)"
}

# make_wine32_root <sudo>: makes the root from the mirror apt already uses (the release suite
# and its updates, no security suite: the root never ships), into a passing folder moved into
# place when whole, so an interrupted attempt leaves nothing half made. One line says how it
# went; a failure is remembered until its marker is removed.
make_wine32_root() {
  local sudo=$1 release mirror uri keyring options="" parent passing started free_mb
  release=$(. "$OS_RELEASE" && echo "${VERSION_CODENAME:-}")
  mirror=$(release_mirror "$release")
  parent=$(dirname "$WINE32_ROOT")
  if [ "$(dpkg --print-architecture 2>/dev/null)" != amd64 ]; then
    say_wine32_root_failed "A 32-bit Wine root is made on amd64 machines only"
    set_marker "$sudo" "$WINE32_ROOT_UNAVAILABLE"
    return 1
  fi
  if [ -z "$release" ] || [ -z "$mirror" ]; then
    say_wine32_root_failed "No mirror of this machine's release in apt's sources for a 32-bit Wine root"
    set_marker "$sudo" "$WINE32_ROOT_UNAVAILABLE"
    return 1
  fi
  read -r uri keyring <<< "$mirror"
  [ -n "$keyring" ] && options="[signed-by=$keyring] "
  $sudo mkdir -p "$parent"
  free_mb=$(df -Pm "$parent" | awk 'NR == 2 { print $4 }')
  if [ "${free_mb:-0}" -lt "$WINE32_ROOT_ROOM_MB" ]; then
    say_wine32_root_failed "No room for a 32-bit Wine root in $parent: ${free_mb:-0} MB free, $WINE32_ROOT_ROOM_MB needed"
    set_marker "$sudo" "$WINE32_ROOT_UNAVAILABLE"
    return 1
  fi
  printf '%s' "Making a 32-bit Wine root in $WINE32_ROOT from $uri, once for the machine (output in $INSTALL_LOG): "
  started=$(date +%s)
  passing="$WINE32_ROOT.making-$$"  # two runs at once each make their own; the first to end wins
  {
    command -v mmdebstrap >/dev/null || { $sudo apt-get update -q || true; $sudo apt-get install -y -q --no-install-recommends mmdebstrap; } &&
      $sudo rm -rf "$passing" &&
      $sudo mmdebstrap --variant=minbase --architectures=amd64,i386 --include=wine,wine64,wine32:i386 \
        --aptopt='APT::Install-Recommends "false"' \
        --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-exclude=/usr/share/man/*' \
        --dpkgopt='path-exclude=/usr/share/locale/*' --dpkgopt='path-exclude=/usr/share/info/*' \
        "$release" "$passing" "deb $options$uri $release main" "deb $options$uri $release-updates main" &&
      [ -x "$passing/usr/lib/wine/wine" ] && [ -x "$passing/usr/lib/wine/wine64" ] &&
      $sudo touch "$passing/.mervane-ready" && $sudo mv -T "$passing" "$WINE32_ROOT"
  } >>"$INSTALL_LOG" 2>&1
  $sudo rm -rf "$passing"
  if wine32_root_ready; then
    echo "made, $(du -sm "$WINE32_ROOT" | cut -f1) MB in $(( $(date +%s) - started )) s."
    clear_marker "$sudo" "$WINE32_ROOT_UNAVAILABLE"
  else
    set_marker "$sudo" "$WINE32_ROOT_UNAVAILABLE"
    say_wine32_root_failed "failed, see $INSTALL_LOG"
    return 1
  fi
}

# ImageMagick, for pictures: known by its montage, since another program's convert may
# stand on the path.
IMAGEMAGICK=montage=imagemagick

# install_prerequisites [command=package ...]: installs what the build and the tests need,
# and each further package whose command is missing, with one package-index update, and
# none when nothing is missing.
install_prerequisites() {
  local missing=() wanted
  command -v cmake >/dev/null || missing+=(cmake)
  command -v make >/dev/null || missing+=(make)
  command -v python3 >/dev/null || missing+=(python3)
  command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686-posix)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
  command -v osslsigncode >/dev/null || missing+=(osslsigncode)
  command -v openssl >/dev/null || missing+=(openssl)
  command -v Xvfb >/dev/null || missing+=(xvfb)
  command -v xauth >/dev/null || missing+=(xauth)
  command -v xdpyinfo >/dev/null || missing+=(x11-utils)  # the display's test
  wine64_loader >/dev/null || missing+=(wine wine64)
  for wanted in "$@"; do
    command -v "${wanted%%=*}" >/dev/null || missing+=("${wanted#*=}")
  done
  local want32=0
  want_wine32 && want32=1
  if [ ${#missing[@]} -eq 0 ] && [ $want32 -eq 0 ]; then
    want_wine32_root || return 0
    wine32_root_ready && return 0
  fi

  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  mkdir -p "$(dirname "$INSTALL_LOG")" "$(dirname "$WINE32_LOG")"
  if [ ${#missing[@]} -gt 0 ]; then
    local codename
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    echo "Installing what is missing (${missing[*]}); apt's output goes to $INSTALL_LOG."
    # A mirror that is half-way through a sync fails one index; the others still serve, and
    # the install that follows tells whether they served enough.
    { $sudo apt-get update -q || true
      $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" ||
        $sudo apt-get install -y -q --no-install-recommends -t "$codename" "${missing[@]}"
    } >"$INSTALL_LOG" 2>&1 || {
      tail -n 20 "$INSTALL_LOG"
      echo "Installing ${missing[*]} failed; see $INSTALL_LOG." >&2
      return 1
    }
  fi
  # 32-bit Wine runs the shipping build. Its packages must match the 64-bit ones version
  # for version, which a mirror in mid-sync cannot always offer: then the machine is left
  # as it was (no i386 architecture, whose failing index would trouble every later update).
  if [ $want32 -eq 1 ]; then
    local added=0
    echo "Installing 32-bit Wine; apt's output goes to $WINE32_LOG."
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      $sudo dpkg --add-architecture i386 && added=1
    fi
    $sudo apt-get update -q >"$WINE32_LOG" 2>&1 || true  # judged by the install that follows
    if $sudo apt-get install -y -q --no-install-recommends wine32:i386 >>"$WINE32_LOG" 2>&1; then
      clear_marker "$sudo" "$WINE32_UNAVAILABLE"
    else
      if [ $added -eq 1 ] && ! dpkg -l | awk '{print $2}' | grep -q ':i386$'; then
        $sudo dpkg --remove-architecture i386
        $sudo rm -f "$APT_LISTS"/*_binary-i386_*
      fi
      set_marker "$sudo" "$WINE32_UNAVAILABLE"
      echo "32-bit Wine cannot be installed beside the 64-bit system here (to try again, remove $WINE32_UNAVAILABLE)."
    fi
  fi
  if want_wine32_root && ! wine32_root_ready; then
    if marker_set "$WINE32_ROOT_UNAVAILABLE"; then
      say_wine32_root_failed "A 32-bit Wine root could not be made here before"
    else
      make_wine32_root "$sudo" || true
    fi
  fi
}

# True when the 32-bit build runs with the Wine of the 32-bit root (scripts/wine32-root.sh,
# which enters it as root only): there is no 32-bit Wine on the machine itself, or
# MERVANE_WINE32_FROM_ROOT asks for the root's.
wine32_from_root() {
  { ! wine32_runs || [ -n "${MERVANE_WINE32_FROM_ROOT:-}" ]; } && wine32_root_ready && [ "$(id -u)" -eq 0 ]
}

# build_runnable <target...>: builds the given targets in the width this machine can run,
# the shipping 32-bit one where it can; sets $width and $bin.
build_runnable() {
  local root=$SETUP_CHECKOUT
  if wine32_runs || wine32_from_root; then width=i686; else width=x86_64; fi
  # The presets are read from the current folder: the source folder, in a sub-shell.
  (cd "$root" && cmake --preset "mingw-$width" >/dev/null && cmake --build --preset "mingw-$width" -j "$(nproc)" --target "$@")
  bin="$root/build/$width/bin"
}

# The Wine loader for $width, once a session has started.
runnable_loader() {
  if [ "$width" = i686 ]; then echo "$MERVANE_WINE32"; else echo "$MERVANE_WINE64"; fi
}
