#!/usr/bin/env bash
# Builds the release package from the Windows build trees:
#   scripts/dist.sh [--arch 32|64] [--out DIR] [--win32-bin DIR] [--win64-bin DIR]
# Writes DIR/Klemva-2.4-setup.exe (NSIS) and DIR/Klemva-2.4.zip (the same
# files in a folder Klemva/). The release (--arch 32, the default) ships the
# 32-bit program and varnok.dll of build/win32 with FindKLV.exe of
# build/win64 in a 32-bit setup program. --arch 64 takes the program and the
# DLL of build/win64 and makes a 64-bit setup program: the same package for
# the tests, since this machine cannot run 32-bit code.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=32 out="$root/build/dist"
bin32="$root/build/win32/bin" bin64="$root/build/win64/bin"
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --win32-bin) bin32=$2; shift 2 ;;
    --win64-bin) bin64=$2; shift 2 ;;
    *) echo "dist: unknown option $1" >&2; exit 2 ;;
  esac
done
version=2.4
case "$arch" in
  32) program_bin=$bin32 stub=x86-unicode program_strip=i686-w64-mingw32-strip ;;
  64) program_bin=$bin64 stub=amd64-unicode program_strip=x86_64-w64-mingw32-strip ;;
  *) echo "dist: --arch is 32 or 64" >&2; exit 2 ;;
esac
finder_bin=$bin64
command -v makensis >/dev/null || { echo "dist: makensis not found; run scripts/setup-deps.sh" >&2; exit 1; }
for f in "$program_bin/klemva99_it.exe" "$program_bin/varnok.dll" "$finder_bin/FindKLV.exe"; do
  [ -f "$f" ] || { echo "dist: $f is not built (make win32 win64)" >&2; exit 1; }
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage="$out/stage/Klemva"
rm -rf "$out/stage"
mkdir -p "$stage"
# The file association names the program KLEMVA.EXE.
cp "$program_bin/klemva99_it.exe" "$stage/KLEMVA.EXE"
cp "$program_bin/varnok.dll" "$finder_bin/FindKLV.exe" "$stage/"
# The build trees carry debug information; the package does not.
$program_strip --strip-debug "$stage/KLEMVA.EXE" "$stage/varnok.dll"
x86_64-w64-mingw32-strip --strip-debug "$stage/FindKLV.exe"
sed 's/$/\r/' "$root/dist/LEGGIMI.txt" >"$stage/LEGGIMI.txt"
# The example limit sets: the setup puts them into the measurements folder,
# the zip beside the program, where the program also looks.
sed 's/$/\r/' "$root/dist/Limiti.ini" >"$stage/Limiti.ini"
cp "$root/app/res/klemva_program.ico" "$out/stage/klemva.ico"

setup="$out/Klemva-$version-setup.exe"
makensis -V2 -INPUTCHARSET UTF8 -DSTAGE="$stage" -DICON="$out/stage/klemva.ico" \
  -DOUTFILE="$setup" -DSTUB="$stub" "$root/dist/klemva.nsi"

zip="$out/Klemva-$version.zip"
rm -f "$zip"
(cd "$out/stage" && python3 -m zipfile -c "$zip" Klemva)
echo "dist: $setup"
echo "dist: $zip"
