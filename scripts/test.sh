#!/usr/bin/env bash
# Installs what is missing, builds Quirefeed and its tests, and runs the
# tests under Wine. Ends with CTest's summary; exits with its status.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/testenv.sh"

qf_build
build=$QF_BUILD

# A fresh run folder each time: no test sees what an earlier run left.
export QF_RUN_DIR=$build/testrun
stop_env() {
  if [ -d "$QF_RUN_DIR/prefix" ]; then WINEPREFIX=$QF_RUN_DIR/prefix qf_wineserver_down; fi
  if [ -f "$QF_RUN_DIR/xvfb.pid" ]; then kill "$(cat "$QF_RUN_DIR/xvfb.pid")" 2>/dev/null || true; fi
}
stop_env
rm -rf "$QF_RUN_DIR"
mkdir -p "$QF_RUN_DIR"
trap stop_env EXIT
# Start the prefix's own processes now, away from CTest's output pipes.
"$root/scripts/wine-run" --run-dir="$QF_RUN_DIR" --standins="$build/standins" cmd /c exit >/dev/null 2>&1 || true
cd "$build"
set +e
ctest --output-on-failure -j2 "$@"
rc=$?
set -e
stop_env >/dev/null 2>&1
trap - EXIT
exit "$rc"
