# Sourced by the other scripts: installs what the build and the tests need on Debian or
# Ubuntu, only when something is missing.

wine64_loader() {
  local candidate
  for candidate in /usr/lib/wine/wine64 /usr/lib/x86_64-linux-gnu/wine/wine64 "$(command -v wine64 2>/dev/null)"; do
    [ -n "$candidate" ] && [ -x "$candidate" ] && { echo "$candidate"; return 0; }
  done
  return 1
}

# True when this machine can run 32-bit Windows programs: Wine's 32-bit loader needs a
# kernel that executes 32-bit Linux programs, which some virtual machines refuse.
wine32_runs() {
  command -v wine >/dev/null 2>&1 && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

install_prerequisites() {
  local missing=()
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
  local want32=0
  if ! dpkg -s wine32:i386 >/dev/null 2>&1; then want32=1; fi
  [ ${#missing[@]} -eq 0 ] && [ $want32 -eq 0 ] && return 0

  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  if [ $want32 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  # A mirror that is half-way through a sync fails one index; the others still serve.
  $sudo apt-get update -q || echo "apt-get update reported errors; going on with the lists it has"
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ ${#missing[@]} -gt 0 ]; then
    $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" ||
      $sudo apt-get install -y -q --no-install-recommends -t "$codename" "${missing[@]}"
  fi
  # 32-bit Wine is wanted for running the shipping build; where it cannot be had the
  # 64-bit build is tested alone and the 32-bit one is checked without running it.
  if [ $want32 -eq 1 ]; then
    $sudo apt-get install -y -q --no-install-recommends wine32:i386 ||
      $sudo apt-get install -y -q --no-install-recommends -t "$codename" wine32:i386 ||
      echo "wine32:i386 could not be installed"
  fi
}

# build_runnable <target...>: builds the given targets in the width this machine can run,
# the shipping 32-bit one where it can; sets $width and $bin.
build_runnable() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  if wine32_runs; then width=i686; else width=x86_64; fi
  cmake -S "$root" -B "$root/build/$width" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$width.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tests/wine-run.sh" >/dev/null
  cmake --build "$root/build/$width" -j "$(nproc)" --target "$@"
  bin="$root/build/$width/bin"
}

# The Wine loader for $width, once a session has started.
runnable_loader() {
  if [ "$width" = i686 ]; then echo "$MERVANE_WINE32"; else echo "$MERVANE_WINE64"; fi
}
