#!/usr/bin/env bash
# Fuzzes the program's text parsers natively with libFuzzer under the
# address and undefined-behaviour sanitizers. They are plain C++ with no
# system calls, so they build for Linux as they are.
# Usage: fuzz.sh [SECONDS per target, default 60]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
if ! command -v clang++ >/dev/null; then
  echo "fuzz: installing clang" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang >/dev/null
fi
out=$root/build/fuzz
mkdir -p "$out"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root")
declare -A sources=(
  [sepfile]="$root/engine/core/sepfile.cpp"
  [lpoptions]="$root/engine/core/lpoptions.cpp"
  [ledgerfile]="$root/tasks/settings/ledgerfile.cpp"
)
rc=0
for target in "${!sources[@]}"; do
  clang++ "${flags[@]}" "$root/fuzz/${target}_fuzz.cpp" "${sources[$target]}" -o "$out/${target}_fuzz"
  mkdir -p "$out/corpus-$target"
  echo "== $target: $seconds s" >&2
  if ! "$out/${target}_fuzz" -max_total_time="$seconds" -max_len=4096 "$out/corpus-$target" \
      >"$out/$target.log" 2>&1; then
    echo "fuzz: $target found a fault; see $out/$target.log" >&2
    rc=1
  fi
  tail -n 1 "$out/$target.log" >&2
done
exit $rc
