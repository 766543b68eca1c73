#!/usr/bin/env bash
# Installs everything the build, the tests and the run command need, from
# Debian's packages. Safe to run again: it only installs what is missing.
# The cross-built libraries come from build-deps.sh, which the build runs
# next.
set -euo pipefail

packages=(
  build-essential cmake ninja-build nasm dpkg-dev xz-utils procps
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev googletest
  wine wine64 fonts-wine
  cups cups-client cups-bsd cups-filters cups-ipp-utils printer-driver-cups-pdf ghostscript
  poppler-utils xvfb x11-utils imagemagick
  # Tests that stop or purge a scheduler get one of their own, in namespaces
  # of their own (scripts/own-cups.sh): unshare, mount, ip.
  util-linux mount iproute2
  # The office stand-ins lay documents out with LibreOffice, in the fonts
  # that the tests read their pages' text back from.
  libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui fonts-dejavu-core
  # The browser stand-in lays web pages out with headless Chromium, driven
  # by a Python script.
  chromium python3
  # The fuzzers build natively with clang against Debian's image libraries.
  clang libclang-rt-14-dev libjpeg62-turbo-dev libpng-dev libtiff-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
