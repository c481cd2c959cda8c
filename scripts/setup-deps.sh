#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine, and only
# what is missing. Uses sudo when not root.
set -euo pipefail
packages=(
  cmake make g++ libgtest-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 fonts-wine
  xvfb xauth x11-apps imagemagick
  clang libclang-rt-14-dev libfftw3-dev
  cups printer-driver-cups-pdf ghostscript poppler-utils
  nsis
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "setup-deps: installing ${missing[*]}"
sudo=
if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
