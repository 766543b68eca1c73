#!/usr/bin/env bash
# Fuzzes the program's parsers natively with libFuzzer under the address and
# undefined-behaviour sanitizers: the text parsers, and the image decoders
# against Debian's own libjpeg-turbo, libpng and libtiff. They are plain C++
# with no system calls, so they build for Linux as they are.
#
# Usage: fuzz.sh [SECONDS per target, default 60] [TARGET...]
#        fuzz.sh --replay [TARGET...]
# Fuzzing starts from the seeds in fuzz/corpus/<target> (when there are)
# and keeps what it learns in build/fuzz/corpus-<target>. An input that
# makes a target fail is written to build/fuzz/<target>/; copy it into
# fuzz/regressions/<target>/ once the fault is mended. --replay runs every
# seed and regression input through each target once and fails when any of
# them fails (the test suite runs it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
replay=0
if [ "${1:-}" = --replay ]; then
  replay=1
  shift
fi
seconds=60
if [ $replay = 0 ] && [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi

# The compiler and the native image libraries (the set-up script installs
# them too).
need=()
command -v clang++ >/dev/null || need+=(clang)
for p in libjpeg62-turbo-dev libpng-dev libtiff-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "fuzz: installing ${need[*]}" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

out=${QF_FUZZ_DIR:-$root/build/fuzz}
mkdir -p "$out"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
  -DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION -I"$root")
images="$root/imaging/pixels.cpp $root/imaging/scale.cpp"
declare -A sources=(
  [sepfile]="$root/engine/core/sepfile.cpp"
  [lpoptions]="$root/engine/core/lpoptions.cpp"
  [ledgerfile]="$root/tasks/settings/ledgerfile.cpp"
  [bmp]="$root/imaging/bmp_decode.cpp $images"
  [jpeg]="$root/imaging/jpeg_decode.cpp $images"
  [png]="$root/imaging/png_decode.cpp $images"
  [tiff]="$root/imaging/tiff_decode.cpp $images"
)
declare -A libs=([bmp]="" [jpeg]="-ljpeg" [png]="-lpng16 -lz" [tiff]="-ltiff")
# Inputs are bounded: images up to a megabyte, text files up to 4 KB.
declare -A max_len=([bmp]=1048576 [jpeg]=1048576 [png]=1048576 [tiff]=1048576)

# Whether $1 must be built again with the command in $2: it is missing,
# was built by another command, or a file it was built from (its compiler's
# dependency list, headers included) changed since.
stale() {
  local exe=$1 command=$2 f
  [ -x "$exe" ] && [ -f "$exe.d" ] && [ "$(cat "$exe.cmd" 2>/dev/null)" = "$command" ] || return 0
  for f in $(sed -e 's/^[^:]*://' -e 's/\\$//' "$exe.d"); do
    [ -e "$f" ] && [ ! "$f" -nt "$exe" ] || return 0
  done
  return 1
}

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${!sources[@]}")
rc=0
for target in "${targets[@]}"; do
  [ -n "${sources[$target]:-}" ] || { echo "fuzz: no target $target" >&2; exit 2; }
  exe=$out/${target}_fuzz
  command="$(clang++ --version | head -n 1) ${flags[*]} $root/fuzz/${target}_fuzz.cpp ${sources[$target]} ${libs[$target]:-}"
  if stale "$exe" "$command"; then
    rm -f "$exe.cmd"
    # One dependency list for all the sources (-MD would write one each).
    # shellcheck disable=SC2086
    clang++ "${flags[@]}" -M "$root/fuzz/${target}_fuzz.cpp" ${sources[$target]} >"$exe.d.new"
    # shellcheck disable=SC2086
    clang++ "${flags[@]}" "$root/fuzz/${target}_fuzz.cpp" ${sources[$target]} ${libs[$target]:-} -o "$exe"
    mv -f "$exe.d.new" "$exe.d"
    echo "$command" >"$exe.cmd"
  fi
  inputs=()
  for d in "$root/fuzz/corpus/$target" "$root/fuzz/regressions/$target"; do
    [ -d "$d" ] && inputs+=("$d")
  done
  if [ $replay = 1 ]; then
    files=()
    for d in "${inputs[@]}"; do
      while IFS= read -r f; do files+=("$f"); done < <(find "$d" -type f ! -name '.*' | sort)
    done
    [ ${#files[@]} -gt 0 ] || continue
    # Each input once; a minute at most for the lot.
    if ! timeout -k 5 60 "$exe" -rss_limit_mb=2048 -timeout=20 "${files[@]}" >"$out/$target.replay.log" 2>&1; then
      echo "fuzz: $target failed on a kept input; see $out/$target.replay.log" >&2
      rc=1
    fi
    echo "== $target: ${#files[@]} kept inputs replayed" >&2
    continue
  fi
  mkdir -p "$out/corpus-$target" "$out/$target"
  echo "== $target: $seconds s" >&2
  if ! "$exe" -max_total_time="$seconds" -max_len="${max_len[$target]:-4096}" -rss_limit_mb=2048 -timeout=20 \
      -artifact_prefix="$out/$target/" "$out/corpus-$target" "${inputs[@]}" >"$out/$target.log" 2>&1; then
    echo "fuzz: $target found a fault; see $out/$target.log and $out/$target/" >&2
    rc=1
  fi
  tail -n 1 "$out/$target.log" >&2
done
exit $rc
