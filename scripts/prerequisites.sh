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
SETUP_FOLDER="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build"
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

# A failed attempt at 32-bit Wine is remembered for the machine until this file is removed,
# so that later runs, from any checkout, leave the package indexes alone.
WINE32_UNAVAILABLE=/var/tmp/mervane-wine32-unavailable
APT_LISTS=/var/lib/apt/lists

say_wine32_failed() {
  say_64bit_stands_in "32-bit Wine could not be installed here (to try again, remove $WINE32_UNAVAILABLE)"
}

# Whether 32-bit Wine should be installed now: the machine runs 32-bit programs, it is not
# installed, and no attempt failed before.
want_wine32() {
  dpkg -s wine32:i386 >/dev/null 2>&1 && return 1
  if ! linux32_runs; then
    say_64bit_stands_in "This machine cannot run 32-bit programs"
    return 1
  fi
  if [ -e "$WINE32_UNAVAILABLE" ]; then
    say_wine32_failed
    return 1
  fi
  return 0
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
  command -v Xvfb >/dev/null || missing+=(xvfb xauth)
  wine64_loader >/dev/null || missing+=(wine wine64)
  for wanted in "$@"; do
    command -v "${wanted%%=*}" >/dev/null || missing+=("${wanted#*=}")
  done
  local want32=0
  want_wine32 && want32=1
  [ ${#missing[@]} -eq 0 ] && [ $want32 -eq 0 ] && return 0

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
      $sudo rm -f "$WINE32_UNAVAILABLE"
    else
      if [ $added -eq 1 ] && ! dpkg -l | awk '{print $2}' | grep -q ':i386$'; then
        $sudo dpkg --remove-architecture i386
        $sudo rm -f "$APT_LISTS"/*_binary-i386_*
      fi
      $sudo touch "$WINE32_UNAVAILABLE"
      say_wine32_failed
    fi
  fi
}

# build_runnable <target...>: builds the given targets in the width this machine can run,
# the shipping 32-bit one where it can; sets $width and $bin.
build_runnable() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  if wine32_runs; then width=i686; else width=x86_64; fi
  # The presets are read from the current folder: the source folder, in a sub-shell.
  (cd "$root" && cmake --preset "mingw-$width" >/dev/null && cmake --build --preset "mingw-$width" -j "$(nproc)" --target "$@")
  bin="$root/build/$width/bin"
}

# The Wine loader for $width, once a session has started.
runnable_loader() {
  if [ "$width" = i686 ]; then echo "$MERVANE_WINE32"; else echo "$MERVANE_WINE64"; fi
}
