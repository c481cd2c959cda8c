#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine, and only
# what is missing. Uses sudo when not root.
#   scripts/setup-deps.sh [--without-win32]
set -euo pipefail
packages=(
  cmake make g++ libgtest-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 fonts-wine
  xvfb xauth x11-apps imagemagick jq python3
  clang clang-format libclang-rt-14-dev libfftw3-dev
  cups printer-driver-cups-pdf ghostscript poppler-utils
  nsis
  chromium
  patchelf
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-deps: installing ${missing[*]}"
  sudo=
  if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 --no-install-recommends "${missing[@]}" >/dev/null
fi
# The private 32-bit Wine of the win32 test tier (nothing system-wide); a
# machine that refuses it gets a message and a skipped tier. The demo runs
# no 32-bit code and goes without it (--without-win32).
if [ "${1:-}" != --without-win32 ]; then
  bash "$(dirname "$0")/win32-sysroot.sh" >/dev/null || true
fi
