#!/usr/bin/env bash
# Installs what is missing, builds Quirefeed and runs it under Wine.
# With no display it starts a virtual one and saves a screenshot of the
# screen once the main window is up. Runs until the program ends, or until
# Ctrl-C, or for SECONDS with --for SECONDS; then stops the program.
# With --watch DIR the program starts in watch mode with one task on DIR:
# every file that arrives there is printed on the "PDF" queue and kept.
# Usage: run.sh [--watch DIR] [--for SECONDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/testenv.sh"

seconds=
watch_dir=
while [ $# -gt 0 ]; do
  case "$1" in
    --for) seconds=${2:?--for needs a number of seconds}; shift 2 ;;
    --watch) watch_dir=$(realpath -m "${2:?--watch needs a folder}"); shift 2 ;;
    *) echo "usage: run.sh [--watch DIR] [--for SECONDS]" >&2; exit 2 ;;
  esac
done

qf_build Quirefeed all_standins
build=$QF_BUILD

qf_wine_env
qf_cups_up || { echo "run: CUPS could not be started" >&2; exit 1; }

# The user's own prefix: kept between runs, like an installed Windows, with
# a home folder of its own whose CUPS default the program may change.
export WINEPREFIX=${QF_RUN_PREFIX:-$QF_CACHE/run-prefix}
qf_user_home "${WINEPREFIX}-home"
[ -f "$WINEPREFIX/system.reg" ] || qf_new_prefix "$WINEPREFIX"
# Stand-ins for the outside applications this machine lacks.
qf_install_standins "$WINEPREFIX" "$build/standins"
qf_standins_reg >"$WINEPREFIX/standins.reg"
"$QF_WINE" regedit /S "$(qf_winpath "$WINEPREFIX/standins.reg")" >/dev/null 2>&1 || true

# Watch mode at start-up, with one task on the folder, or the main window.
data=$WINEPREFIX/drive_c/ProgramData/Quirefeed
mkdir -p "$data"
if [ -n "$watch_dir" ]; then
  mkdir -p "$watch_dir"
  rm -f "$data"/*.dev
  printf '%s\r\n' '[Tasks]' 'Count=1' '[0]' 'Printer Name=PDF' 'FileExt=*.*' "Folder=$(qf_winpath "$watch_dir")" \
    'Move To Folder=' 'Separator=' 'Action=2' 'MoveFailed=0' >"$data/quirefeed.ini"
  startup=1
else
  startup=0
fi
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quirefeed]\r\n"StartUp"=dword:%08x\r\n' $startup \
  >"$WINEPREFIX/startup.reg"
"$QF_WINE" regedit /S "$(qf_winpath "$WINEPREFIX/startup.reg")" >/dev/null 2>&1 || true

xvfb_pid=
headless=0
if ! { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }; then
  unset DISPLAY
  qf_display_up "$build/run-xvfb.pid"
  xvfb_pid=$(cat "$build/run-xvfb.pid")
  headless=1
fi

app_pid=
stop() {
  trap - INT TERM EXIT
  qf_wineserver_down
  [ -n "$app_pid" ] && wait "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  echo "run: stopped" >&2
}
trap stop INT TERM EXIT

qf_wineserver_up
"$QF_WINE" "$build/app/Quirefeed.exe" &
app_pid=$!
echo "run: Quirefeed started (Wine prefix $WINEPREFIX, display $DISPLAY)" >&2
echo "run: printed documents land as PDF files in $QF_PDF_DIR (CUPS queue \"PDF\")" >&2
if [ -n "$watch_dir" ]; then
  echo "run: watch mode: copy files into $watch_dir; each is printed once and stays there" >&2
  echo "run: the activity log is Quirefeed.log under $WINEPREFIX/drive_c/users/*/AppData/Roaming/Quirefeed" >&2
fi

if [ $headless = 1 ] && [ -z "$watch_dir" ]; then
  shot=$build/screenshot.png
  for _ in $(seq 300); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Quirefeed"' && break
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  sleep 1  # let the window paint
  import -window root "$shot" && echo "run: screenshot saved to $shot" >&2
fi

if [ -n "$seconds" ]; then
  for _ in $(seq "$seconds"); do kill -0 "$app_pid" 2>/dev/null || break; sleep 1; done
  kill -0 "$app_pid" 2>/dev/null && echo "run: still running after $seconds s; stopping it" >&2
else
  echo "run: press Ctrl-C to stop" >&2
  wait "$app_pid" || true
fi
