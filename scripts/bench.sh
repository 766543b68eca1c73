#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine, each in a prefix of its own, and
# prints their figures.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/testenv.sh"
"$root/scripts/setup.sh"
deps=$("$root/scripts/build-deps.sh")
build=${QF_BUILD_DIR:-$root/build}
qf_configure "$build" "$deps"
cmake --build "$build"
export QF_RUN_DIR=$build/benchrun
for b in "$build"/bench/bench_*.exe; do
  echo "== $(basename "$b" .exe)"
  QF_PRIVATE_PREFIX=1 "$root/scripts/wine-run" --run-dir="$QF_RUN_DIR" "$b" "$@"
done
if [ -f "$QF_RUN_DIR/xvfb.pid" ]; then kill "$(cat "$QF_RUN_DIR/xvfb.pid")" 2>/dev/null || true; fi
