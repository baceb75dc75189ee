# Sourced by demo.sh: a machine with two MetaTrader 4 terminals, as their installer and a
# first start leave it, and one stand-in terminal running with its Navigator hidden.
# Needs a started Wine session (wine-session.sh) and the built stand-in terminal.

demo_data_folder_id() {  # the terminal's own naming: MD5 of the upper-cased UTF-16 path
  python3 -c 'import hashlib,sys; print(hashlib.md5(sys.argv[1].upper().encode("utf-16-le")).hexdigest().upper())' "$1"
}

prepare_demo_machine() {  # prepare_demo_machine <bin folder> <wine loader>
  local bin=$1 loader=$2
  local c="$WINEPREFIX/drive_c"
  local appdata="$c/users/$(whoami)/AppData/Roaming"
  local n name folder id data
  for n in 1 2; do
    if [ "$n" = 1 ]; then name="MetaTrader 4 Demo Broker"; else name="MetaTrader 4 Second Broker"; fi
    folder="$c/Program Files (x86)/$name"
    mkdir -p "$folder/MQL4/Experts" "$folder/MQL4/Files"
    printf 'MZ stand-in terminal\r\n' > "$folder/terminal.exe"
    local location="C:\\Program Files (x86)\\$name"
    local stored=$location
    [ "$n" = 2 ] && stored="$location\\"  # stored with a trailing backslash, as some installers do
    "$MERVANE_WINE64" reg add "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name" \
      /v MajorVersion /t REG_SZ /d 4 /reg:32 /f >/dev/null 2>&1
    "$MERVANE_WINE64" reg add "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name" \
      /v InstallLocation /t REG_SZ /d "$stored" /reg:32 /f >/dev/null 2>&1
    id=$(demo_data_folder_id "$location")
    data="$appdata/MetaQuotes/Terminal/$id"
    mkdir -p "$data/MQL4/Experts" "$data/MQL4/Files"
    python3 -c 'import sys; open(sys.argv[1],"wb").write(b"\xff\xfe"+sys.argv[2].encode("utf-16-le"))' \
      "$data/origin.txt" "$location"
    if [ "$n" = 1 ]; then
      DEMO_EXPERTS="C:\\users\\$(whoami)\\AppData\\Roaming\\MetaQuotes\\Terminal\\$id\\MQL4\\Experts"
      printf 'stand-in\r\n' > "$data/MQL4/Experts/Moving Average.ex4"
    fi
  done
  # Its window stands before the wizard's opens, so it does not come up over the wizard.
  local ready="$c/standin-terminal.log" i
  rm -f "$ready"
  "$loader" "$bin/standin_terminal.exe" --hidden-navigator "--experts=$DEMO_EXPERTS" \
    "--title=$DEMO_TERMINAL_TITLE" '--log=C:\standin-terminal.log' >/dev/null 2>&1 &
  DEMO_TERMINAL_PID=$!
  for i in $(seq 1 100); do grep -qs ready "$ready" && break; sleep 0.1; done
}

DEMO_TERMINAL_TITLE="MetaTrader 4 - Demo Broker (stand-in)"

# walk_demo <output folder> <wizard arguments> [terminal title]: walks the wizard through
# every page with the page-picture driver in $bin under $loader and saves a numbered PNG of
# each, then of the terminal when its title is given. False when the walk stopped early.
walk_demo() {
  local out=$1 picture status=0
  rm -rf "$out" && mkdir -p "$out"
  "$loader" "$bin/page_shots.exe" "Z:$(echo "$out" | tr / '\\')" "${@:2}" >/dev/null 2>&1 || status=1
  for picture in "$out"/*.bmp; do
    [ -e "$picture" ] && convert "$picture" "${picture%.bmp}.png" && rm "$picture"
  done
  return $status
}
