#!/usr/bin/env bash
# Cross-builds libjpeg-turbo, libpng, libtiff and GoogleTest for x86_64
# Windows, statically, from Debian's source packages (Debian's patches
# applied). The result goes to a cache outside the source tree, keyed by the
# source versions and this script, so a second run is a cache hit.
# Prints nothing but the cache prefix on stdout.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
cache=${QUIREFEED_CACHE:-$HOME/.cache/quirefeed}
toolchain=$root/cmake/mingw-w64-x86_64.cmake

log() { echo "deps: $*" >&2; }

# Source entries mirroring the binary ones, in a file of our own. Written
# afresh whenever they are missing, empty or no longer mirror the binary
# entries (a changed mirror or release), always through a temporary file,
# so that a run cut short leaves nothing half-written behind.
deb_src_entries() {
  local s found=0
  for s in /etc/apt/sources.list.d/*.sources; do
    [ -f "$s" ] || continue
    case "$s" in *quirefeed-src*) continue ;; esac
    grep -q '^Types:.*\bdeb\b' "$s" || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$s"
    echo
    found=1
  done
  [ $found = 1 ] && return 0
  grep -h '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    grep -v 'quirefeed-src' | sed 's/^deb /deb-src /'
}

ensure_deb_src() {
  local f=/etc/apt/sources.list.d/quirefeed-src.sources
  local lf=/etc/apt/sources.list.d/quirefeed-src.list
  local want tmp target
  want=$(deb_src_entries)
  [ -n "$want" ] || { log "no binary package sources found to mirror"; return 1; }
  if grep -q '^Types:' <<<"$want"; then target=$f; else target=$lf; fi
  if [ -s "$target" ] && [ "$(cat "$target")" = "$want" ]; then return 0; fi
  rm -f "$f" "$lf" "$f.tmp" "$lf.tmp"
  tmp=$target.tmp
  printf '%s\n' "$want" >"$tmp" && mv -f "$tmp" "$target"
  apt-get update -qq >&2
}

srcdir=$cache/src
mkdir -p "$srcdir"

# Picks the newest version of a source package whose files can be had: one
# already downloaded, else the first that downloads (a security update's
# sources are not always on the mirror). Prints "dsc-file version".
fetch_source() {
  local pkg=$1 v dsc
  local versions
  versions=$(apt-cache showsrc "$pkg" 2>/dev/null | awk '/^Version:/{print $2}' | sort -rV | uniq)
  [ -n "$versions" ] || { apt-get update -qq >&2; versions=$(apt-cache showsrc "$pkg" | awk '/^Version:/{print $2}' | sort -rV | uniq); }
  for v in $versions; do
    dsc=$srcdir/${pkg}_${v#*:}.dsc
    [ -f "$dsc" ] && { echo "$dsc $v"; return 0; }
  done
  for v in $versions; do
    dsc=$srcdir/${pkg}_${v#*:}.dsc
    if (cd "$srcdir" && apt-get source -qq --download-only -o APT::Sandbox::User=root "$pkg=$v" >/dev/null 2>&1) && [ -f "$dsc" ]; then
      echo "$dsc $v"; return 0
    fi
    log "$pkg $v: sources not downloadable, trying an older version"
  done
  log "no sources of $pkg could be downloaded"
  return 1
}

ensure_deb_src
read -r dsc_jpeg v_jpeg < <(fetch_source libjpeg-turbo)
read -r dsc_png v_png < <(fetch_source libpng1.6)
read -r dsc_tiff v_tiff < <(fetch_source tiff)
v_gtest=$(dpkg-query -W -f='${Version}' googletest)
[ -n "${v_jpeg:-}" ] && [ -n "${v_png:-}" ] && [ -n "${v_tiff:-}" ] || exit 1

key=$( (echo "$v_jpeg $v_png $v_tiff $v_gtest"; cat "$0" "$toolchain"; x86_64-w64-mingw32-g++-posix --version | head -n1) | sha256sum | cut -c1-16)
prefix=$cache/deps-$key
if [ -f "$prefix/.done" ]; then
  log "cache hit $prefix"
  echo "$prefix"
  exit 0
fi

log "building into $prefix (jpeg $v_jpeg, png $v_png, tiff $v_tiff, gtest $v_gtest)"
work=$(mktemp -d "${TMPDIR:-/tmp}/quirefeed-deps.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A build cut short left no .done: start that key afresh. Older keys stay
# until this one is complete.
rm -rf "$prefix"
mkdir -p "$prefix"
cd "$work"
for dsc in "$dsc_jpeg" "$dsc_png" "$dsc_tiff"; do
  dpkg-source -q -x "$dsc" >"$work/extract.log" 2>&1 || { cat "$work/extract.log" >&2; exit 1; }
done

cm() {
  local src=$1; shift
  cmake -S "$src" -B "$src/_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_POLICY_DEFAULT_CMP0074=NEW "$@" >"$work/$(basename "$src").log" 2>&1 ||
    { tail -n 30 "$work/$(basename "$src").log" >&2; exit 1; }
  cmake --build "$src/_build" >>"$work/$(basename "$src").log" 2>&1 ||
    { tail -n 30 "$work/$(basename "$src").log" >&2; exit 1; }
  cmake --install "$src/_build" >>"$work/$(basename "$src").log" 2>&1
}

cm "$(ls -d libjpeg-turbo-*/)" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
  -DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DCMAKE_INSTALL_INCLUDEDIR="$prefix/include"
cm "$(ls -d libpng1.6-*/)" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_USE_STATIC_LIBS=ON
cm "$(ls -d tiff-*/)" -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF \
  -Dtiff-docs=OFF -Dcxx=OFF -Dzlib=ON -Djpeg=ON -Djbig=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF \
  -Dlerc=OFF -Dlibdeflate=OFF -Dpixarlog=OFF -DZLIB_USE_STATIC_LIBS=ON
grep -q "^#define JPEG_SUPPORT" "$prefix/include/tiffconf.h" || { log "libtiff was built without JPEG support"; exit 1; }
cp -r /usr/src/googletest "$work/googletest"
cm "$work/googletest" -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF

touch "$prefix/.done"
# Only now are the libraries of older keys of no further use.
for old in "$cache"/deps-*; do
  [ "$old" = "$prefix" ] || rm -rf "$old"
done
log "done"
echo "$prefix"
