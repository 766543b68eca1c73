# Shared by the test run, CTest's Wine wrapper and the run command: puts up
# what a Quirefeed process needs on this machine (CUPS with its "PDF" queue,
# a Wine prefix, a persistent wineserver, a virtual display) and nothing else.
# Source it; every function is idempotent.

QF_ROOT=${QF_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
QF_CACHE=${QF_CACHE:-${QUIREFEED_CACHE:-$HOME/.cache/quirefeed}}
QF_WINE=/usr/lib/wine/wine64
QF_WINESERVER=/usr/lib/wine/wineserver

qf_log() { echo "testenv: $*" >&2; }

qf_wine_env() {
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # Without it the recycle bin silently deletes files instead.
  export XDG_DATA_HOME=${XDG_DATA_HOME:-$HOME/.local/share}
  mkdir -p "$XDG_DATA_HOME"
}

# A home folder of our own at $1 for the Wine processes started from here,
# with a user-level CUPS default "PDF" (made once; the program may change
# it, as printer switching does). The default that a new Wine process sees
# follows it, and the machine's own default printer stays as its owner set
# it. Where cups-pdf writes is told in QF_PDF_DIR first: it follows the
# account's home, not ours.
qf_user_home() {
  local dir=$1
  export QF_PDF_DIR=${QF_PDF_DIR:-$(qf_pdf_dir)}
  mkdir -p "$dir/.cups"
  [ -f "$dir/.cups/lpoptions" ] || echo "Default PDF" >"$dir/.cups/lpoptions"
  export HOME=$dir
}

# CUPS with a cups-pdf queue "PDF", the default destination of our own
# processes (through their own home, qf_user_home). A machine that already
# runs a scheduler keeps it, and keeps its own default printer.
qf_cups_up() {
  if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    cupsd || return 1
    local i
    for i in $(seq 50); do lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.1; done
  fi
  qf_cups_pdf_queue
}

# The "PDF" queue on the scheduler that lpadmin reaches, made (enabled and
# accepting jobs) when missing. One that is there already is its owner's:
# it is left as it is, with a word when it would hold our jobs.
qf_cups_pdf_queue() {
  if ! lpstat -p PDF >/dev/null 2>&1; then
    lpadmin -p PDF -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -E 2>/dev/null ||
      lpadmin -p PDF -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd -E || return 1
    return 0
  fi
  lpstat -p PDF 2>/dev/null | grep -q disabled && qf_log "the queue PDF is disabled: the tests' jobs will wait on it"
  lpstat -a PDF 2>/dev/null | grep -q 'not accepting' && qf_log "the queue PDF refuses jobs: the tests will fail"
  return 0
}

# A second queue whose name is longer than a DEVMODE's 31-character device
# name, for the tests of printer-name completion.
QF_LONG_QUEUE=Quirefeed_Test_Printer_With_A_Long_Name
# And a queue that accepts jobs but never prints them, for a test that spools
# a hundred jobs only to count them.
QF_HELD_QUEUE=Quirefeed_Held
qf_cups_test_queues() {
  local q
  for q in "$QF_LONG_QUEUE" "$QF_HELD_QUEUE"; do
    lpstat -p "$q" >/dev/null 2>&1 && continue
    lpadmin -p "$q" -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -E 2>/dev/null ||
      lpadmin -p "$q" -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd -E
  done
  cupsdisable "$QF_HELD_QUEUE"
}

# Where cups-pdf writes the jobs of the user running the tests: under the
# account's home, whatever HOME says.
qf_pdf_dir() {
  local out home
  home=$(getent passwd "$(id -un)" | cut -d: -f6)
  out=$(awk '$1 == "Out" {print $2}' /etc/cups/cups-pdf.conf 2>/dev/null)
  out=${out:-'${HOME}/PDF'}
  out=${out//\$\{HOME\}/${home:-$HOME}}
  out=${out//\$\{USER\}/$(id -un)}
  echo "$out"
}

# A prepared prefix, made once per Wine version and copied for each use.
qf_prefix_template() {
  local ver key dir
  ver=$("$QF_WINE" --version 2>/dev/null)
  key=$( (echo "$ver"; declare -f qf_prefix_template qf_standins_reg) | sha256sum | cut -c1-12)
  dir=$QF_CACHE/wineprefix-$key
  if [ ! -f "$dir/.done" ]; then
    (
      flock 9
      [ -f "$dir/.done" ] && exit 0
      qf_log "preparing a Wine prefix ($ver)"
      rm -rf "$dir"
      mkdir -p "$QF_CACHE"
      qf_wine_env
      export WINEPREFIX=$dir
      "$QF_WINE" wineboot -i >/dev/null 2>&1
      "$QF_WINESERVER" -w
      # The user's shell folders point into $HOME after wineboot; a test must
      # never write there, so they become folders inside the prefix.
      local u
      for u in "$dir"/drive_c/users/*/; do
        local f
        for f in Desktop Documents Downloads Music Pictures Videos Templates; do
          if [ -L "$u$f" ]; then rm -f "$u$f"; mkdir -p "$u$f"; fi
        done
      done
      # One virtual desktop for every process of the prefix: windows of the
      # program and of a test driver see each other, and a tray exists.
      cat >"$dir/desktop.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"
REG
      "$QF_WINE" regedit /S "$(qf_winpath "$dir/desktop.reg")" >/dev/null 2>&1
      qf_standins_reg >"$dir/standins.reg"
      "$QF_WINE" regedit /S "$(qf_winpath "$dir/standins.reg")" >/dev/null 2>&1
      "$QF_WINESERVER" -w
      grep -q '"Desktop"="Default"' "$dir/user.reg" || { qf_log "virtual desktop not set"; exit 1; }
      grep -q 'AcroRd32' "$dir/system.reg" && qf_standins_registered "$dir" ||
        { qf_log "stand-ins not registered"; exit 1; }
      touch "$dir/.done"
    ) 9>"$QF_CACHE/.prefix.lock" || return 1
  fi
  echo "$dir"
}

# Stand-ins for outside applications live in the prefix's Windows folder and
# are registered where the real applications would be: the "print" verb of
# text files runs our text printer (Wine's Notepad would open a dialog), and
# our PDF reader registers itself the way a reader does (its App Paths entry
# and the "print" verb of ".pdf").
qf_standins_reg() {
  cat <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Classes\.txt]
@="txtfile"

[HKEY_LOCAL_MACHINE\Software\Classes\txtfile\shell\print\command]
@="\"C:\\windows\\quirefeed-standins\\textprint.exe\" \"%1\""

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\AcroRd32.exe]
@="C:\\windows\\quirefeed-standins\\AcroRd32.exe"
"Path"="C:\\windows\\quirefeed-standins"

[HKEY_LOCAL_MACHINE\Software\Classes\.pdf]
@="AcroExch.Document"
"Content Type"="application/pdf"

[HKEY_LOCAL_MACHINE\Software\Classes\AcroExch.Document\shell\print\command]
@="\"C:\\windows\\quirefeed-standins\\AcroRd32.exe\" /p /h \"%1\""
REG
  # The office applications, as local servers of their ProgIDs (machine-wide:
  # Wine ignores classes registered per user).
  local app
  for app in "Word WinWord {5B0C7E21-3F4A-4B8E-9C1D-2A6F0E9B7D11}" "Excel Excel {5B0C7E22-3F4A-4B8E-9C1D-2A6F0E9B7D12}" \
    "PowerPoint POWERPNT {5B0C7E23-3F4A-4B8E-9C1D-2A6F0E9B7D13}"; do
    set -- $app
    cat <<REG

[HKEY_LOCAL_MACHINE\\Software\\Classes\\$1.Application]
@="$1 stand-in"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\$1.Application\\CLSID]
@="$3"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$3]
@="$1 stand-in"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$3\\LocalServer32]
@="C:\\\\windows\\\\quirefeed-standins\\\\$2.exe"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$3\\ProgID]
@="$1.Application"
REG
  done
  # The web browser, as an in-process server over Wine's own (which cannot
  # print) under the same machine-wide ProgID.
  cat <<'REG'

[HKEY_LOCAL_MACHINE\Software\Classes\InternetExplorer.Application\CLSID]
@="{5B0C7E24-3F4A-4B8E-9C1D-2A6F0E9B7D14}"

[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5B0C7E24-3F4A-4B8E-9C1D-2A6F0E9B7D14}]
@="Browser stand-in"

[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5B0C7E24-3F4A-4B8E-9C1D-2A6F0E9B7D14}\InprocServer32]
@="C:\\windows\\quirefeed-standins\\browser.dll"
"ThreadingModel"="Both"

[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5B0C7E24-3F4A-4B8E-9C1D-2A6F0E9B7D14}\ProgID]
@="InternetExplorer.Application"
REG
}

# Whether prefix $1 still has the stand-ins registered: Wine's own set-up
# (wineboot -u, run when Wine's version changes) puts its browser back.
qf_standins_registered() {
  grep -A3 -F '[Software\\Classes\\InternetExplorer.Application\\CLSID]' "$1/system.reg" 2>/dev/null |
    grep -q 5B0C7E24
}

# Registers the stand-ins in prefix $1 again when they are missing there.
# A wineserver started for it is waited for, so that the persistent one
# the tests want can start afterwards.
qf_standins_ensure() {
  local prefix=$1 running
  qf_standins_registered "$prefix" && return 0
  qf_log "registering the stand-ins again in $prefix"
  qf_standins_reg >"$prefix/standins.reg"
  running=$(WINEPREFIX=$prefix qf_wineserver_socket)
  WINEPREFIX=$prefix "$QF_WINE" regedit /S "$(qf_winpath "$prefix/standins.reg")" >/dev/null 2>&1
  [ -n "$running" ] || WINEPREFIX=$prefix "$QF_WINESERVER" -w
}

# Copies the built stand-ins ($2, a folder of programs, libraries and the
# scripts they run) into prefix $1.
# Only changed files are copied, each through a new file renamed into
# place: a stand-in running at this moment keeps its own image.
qf_install_standins() {
  local prefix=$1 from=$2 to f
  [ -d "$from" ] || return 0
  to=$prefix/drive_c/windows/quirefeed-standins
  mkdir -p "$to"
  for f in "$from"/*.exe "$from"/*.dll "$from"/*.sh "$from"/*.py; do
    [ -f "$f" ] || continue
    cmp -s "$f" "$to/$(basename "$f")" && continue
    cp -f "$f" "$to/.$(basename "$f").new" && mv -f "$to/.$(basename "$f").new" "$to/$(basename "$f")"
  done
  return 0
}

# A private copy of the prepared prefix at $1.
qf_new_prefix() {
  local template
  template=$(qf_prefix_template) || return 1
  rm -rf "$1"
  mkdir -p "$(dirname "$1")"
  cp -a "$template" "$1"
  rm -f "$1/.done"
}

# A persistent wineserver for $WINEPREFIX: a cold one keeps CTest's output
# pipe open for seconds after each test.
qf_wineserver_up() {
  [ -n "$(qf_wineserver_socket)" ] && return 0
  setsid "$QF_WINESERVER" -p </dev/null >/dev/null 2>&1 9>&- &
  local i
  for i in $(seq 100); do
    [ -n "$(qf_wineserver_socket)" ] && return 0
    sleep 0.02
  done
  return 0
}

# The socket of the wineserver serving $WINEPREFIX, or nothing. Its folder is
# named after the prefix's device and inode, under a temporary folder whose
# name differs between builds of Wine.
qf_wineserver_socket() {
  local id s
  [ -d "${WINEPREFIX:-}" ] || return 0
  id=$(printf 'server-%x-%x' "0x$(stat -c %D "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for s in /tmp/.wine-"$(id -u)"/"$id"/socket /tmp/wine-*/"$id"/socket; do
    [ -S "$s" ] && { echo "$s"; return 0; }
  done
}

qf_wineserver_down() {
  "$QF_WINESERVER" -k >/dev/null 2>&1 || true
  "$QF_WINESERVER" -w >/dev/null 2>&1 || true
}

# A virtual X display for windows and the tray, unless one is given.
# Records its pid in $1 when it starts one. The server picks a free display
# number itself (-displayfd), so two of these started at once never share
# one.
qf_display_up() {
  local pidfile=$1 numfile n="" i pid
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  numfile=$(mktemp)
  # Closing fd 9 keeps a caller's lock file from being held by the server.
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" </dev/null >/dev/null 2>&1 9>&- &
  pid=$!
  for i in $(seq 200); do
    n=$(tr -dc 0-9 <"$numfile")
    [ -n "$n" ] && [ -e "/tmp/.X11-unix/X$n" ] && break
    n=""
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$numfile"
  if [ -n "$n" ]; then
    export DISPLAY=":$n"
    echo "$pid" >"$pidfile"
    return 0
  fi
  kill "$pid" 2>/dev/null
  qf_log "no virtual display could be started"
  return 1
}

# Ends the display whose pid qf_display_up recorded in $1.
qf_display_down() {
  [ -f "$1" ] || return 0
  kill "$(cat "$1")" 2>/dev/null || true
  rm -f "$1"
}

# Configures the build folder $1 against the dependency prefix $2. A cache
# made against another prefix (the libraries were rebuilt) is thrown away, so
# that no stale library path survives in it.
qf_configure() {
  local build=$1 deps=$2
  mkdir -p "$build"
  if [ -f "$build/CMakeCache.txt" ] && ! grep -qxF "QF_DEPS_PREFIX:INTERNAL=$deps" "$build/CMakeCache.txt"; then
    rm -f "$build/CMakeCache.txt"
  fi
  cmake -S "$QF_ROOT" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$QF_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$deps" -DQF_DEPS_PREFIX="$deps" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    >"$build.configure.log" 2>&1 || { cat "$build.configure.log" >&2; return 1; }
}

# Everything a build needs, then the build of the given targets (all when
# none) in $QF_BUILD (default build/).
qf_build() {
  "$QF_ROOT/scripts/setup.sh"
  local deps
  # Builds the libraries on a cache miss; prints their prefix.
  deps=$("$QF_ROOT/scripts/build-deps.sh")
  QF_BUILD=${QF_BUILD_DIR:-$QF_ROOT/build}
  qf_configure "$QF_BUILD" "$deps"
  if [ $# -gt 0 ]; then cmake --build "$QF_BUILD" --target "$@"; else cmake --build "$QF_BUILD"; fi
}

# Converts a Unix path to the Windows path Wine gives it (drive Z:).
qf_winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
