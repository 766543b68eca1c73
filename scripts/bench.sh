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
# CPU seconds over one minute and the working set of a process left idle:
# the program in watch mode with five tasks, and a bare window program.
# The process is found by its executable's name in /proc.
idle() {
  local label=$1 name=$2; shift 2
  QF_PRIVATE_PREFIX=1 "$root/scripts/wine-run" --run-dir="$QF_RUN_DIR" --standins="$build/standins" "$@" \
    >/dev/null 2>&1 &
  local runner=$! pid= i
  for i in $(seq 300); do
    pid=$(for p in $(pgrep -f "$name" 2>/dev/null); do
      tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -qiE "^[^ ]*$name( |$)" && echo "$p"; done | head -n 1)
    [ -n "$pid" ] && break
    sleep 0.1
  done
  if [ -z "$pid" ]; then
    echo "$label: the process did not start"
    wait "$runner" || true
    return
  fi
  sleep 15  # past start-up and the first pass
  local hz t0 t1 rss
  hz=$(getconf CLK_TCK)
  t0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep 60
  t1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  echo "$label: $(awk -v a="$t0" -v b="$t1" -v hz="$hz" 'BEGIN {printf "%.2f", (b - a) / hz}') CPU seconds in" \
    "one minute, working set $((rss / 1024)) MB"
  wait "$runner" || true
}

run "$build/bench/bench_monitor_latency.exe"
run "$build/bench/bench_image_print.exe" bare
run "$build/bench/bench_image_print.exe" jpeg
run "$build/bench/bench_image_print.exe" tiff
run "$build/bench/bench_image_print.exe" photos
run "$build/bench/bench_list_import.exe" 5000
run "$build/bench/bench_pdf_print.exe" 10 3
run "$build/bench/bench_office_print.exe" 3
run "$build/bench/bench_watch_latency.exe" "Z:$build/app/Quirefeed.exe" "${QF_BENCH_SINGLES:-50}" \
  "${QF_BENCH_BURST:-1000}"
echo "== idle in watch mode"
idle "Quirefeed, watch mode, five tasks" Quirefeed.exe "$build/bench/bench_watch_latency.exe" \
  "Z:$build/app/Quirefeed.exe" --idle 5 100
idle "bare Wine window program" bench_idle_window.exe "$build/bench/bench_idle_window.exe" 100
if [ -f "$QF_RUN_DIR/xvfb.pid" ]; then kill "$(cat "$QF_RUN_DIR/xvfb.pid")" 2>/dev/null || true; fi
