#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine, each in a prefix of its own, and
# prints their figures.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/testenv.sh"
qf_build
build=$QF_BUILD
export QF_RUN_DIR=$build/benchrun
# Runs one benchmark and reports the peak resident memory of its process
# (Wine keeps no such counter itself), sampled from /proc.
run() {
  local exe=$1; shift
  echo "== $(basename "$exe" .exe) $*"
  QF_PRIVATE_PREFIX=1 "$root/scripts/wine-run" --run-dir="$QF_RUN_DIR" --standins="$build/standins" "$exe" "$@" &
  local runner=$! peak=0 pid rss
  while kill -0 "$runner" 2>/dev/null; do
    for pid in $(pgrep -f "$(basename "$exe")" 2>/dev/null); do
      rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
      if [ -n "$rss" ] && [ "$rss" -gt "$peak" ]; then peak=$rss; fi
    done
    sleep 0.02
  done
  wait "$runner" || true
  echo "peak resident memory of the process: $((peak / 1024)) MB"
}
run "$build/bench/bench_monitor_latency.exe"
run "$build/bench/bench_image_print.exe" jpeg
run "$build/bench/bench_image_print.exe" tiff
run "$build/bench/bench_list_import.exe" 5000
run "$build/bench/bench_pdf_print.exe" 10 3
if [ -f "$QF_RUN_DIR/xvfb.pid" ]; then kill "$(cat "$QF_RUN_DIR/xvfb.pid")" 2>/dev/null || true; fi
