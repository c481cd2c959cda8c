#!/usr/bin/env bash
# The shipped 32-bit setup program on 32-bit Windows (the private 32-bit
# Wine and its prefix):
#   1. a silent install with /S /D=C:\KlemvaTest puts the 32-bit program
#      (as KLEMVA.EXE) and varnok.dll in place, the ones the release holds,
#      and rightly leaves FindKLV, a 64-bit program, out: no file, no
#      shortcut; the installed program starts and closes;
#   2. a silent uninstall with Disinstalla.exe removes the program folder and
#      the entry in the program list and keeps the measurements folder, its
#      files and the settings.
#   setup_win32.sh ARCH FINDKLV_BIN
# ARCH 32 is the release; 64 (by hand, under the 64-bit test bed) runs the
# same steps with the 64-bit setup, where FindKLV is installed instead.
# FINDKLV_BIN is the win64 bin/ holding FindKLV.exe.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../e2e/shell/lib.sh"
arch=$1 finder_bin=$2

dist="$KLV_TEST_TMP/dist"
bash "$KLV_SCRIPTS/dist.sh" --arch "$arch" --win32-bin "$KLV_WIN64_BIN" --win64-bin "$finder_bin" \
    --out "$dist" >/dev/null || fail "scripts/dist.sh did not build the $arch-bit setup program"
[ "$arch" = 32 ] && finder=absent || finder=present

product='SOFTWARE\VARNOK\Klemva'
uninstall='Software\Microsoft\Windows\CurrentVersion\Uninstall\Klemva'
reg_or_absent() { drv reg HKCU "$1" "$2" 2>/dev/null || echo "<absent>"; }
exists() { [ -e "$1" ] && echo present || echo absent; }
drv set-reg HKCU "$product\\2.0\\Einstellungen" Port dword 3 >/dev/null || fail "cannot set the port"

echo "--- 1. silent install"
prog_dir="$WINEPREFIX/drive_c/KlemvaTest"
rm -rf "$prog_dir"
# From a command file, as an administrator types it: /D= stays unquoted.
printf '@Klemva-2.4-setup.exe /S /D=C:\\KlemvaTest\r\n' >"$dist/install.cmd"
(cd "$dist" && wine cmd /c install.cmd)
expect_eq "exit code of the silent install" 0 $?
for f in KLEMVA.EXE varnok.dll; do
    expect_eq "installed $f is the release's" same \
        "$(cmp -s "$prog_dir/$f" "$dist/stage/Klemva/$f" && echo same)"
done
expect_eq "uninstaller" present "$(exists "$prog_dir/Disinstalla.exe")"
expect_eq "FindKLV.exe" "$finder" "$(exists "$prog_dir/FindKLV.exe")"
menu=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Klemva)
expect_eq "program shortcut" present "$(exists "$menu/Klemva.lnk")"
expect_eq "FindKLV shortcut" "$finder" "$(exists "$menu/Ricerca porta (FindKLV).lnk")"
expect_eq "program folder value" 'C:\KlemvaTest' "$(reg_or_absent "$product\\2.0" directory)"
meas_win=$(reg_or_absent "$product" directory)
meas_dir=$(winepath -u "$meas_win" 2>/dev/null)
[ -n "$meas_dir" ] && [ -d "$meas_dir" ] || fail "no measurements folder \"$meas_win\""
expect_eq "limit file in the measurements folder" present "$(exists "$meas_dir/Limiti.ini")"
wine 'C:\KlemvaTest\KLEMVA.EXE' &
app=$!
drv wait-window "$FRAME" 30000 >/dev/null || fail "the installed program shows no window"
drv close "$FRAME" >/dev/null
expect_app_ends

echo "--- 2. silent uninstall"
echo data >"$meas_dir/misura_win32.klv"
wine 'C:\KlemvaTest\Disinstalla.exe' /S
# The uninstaller runs from a copy: its work is waited for.
uninstalled() { [ ! -e "$prog_dir" ] && [ "$(reg_or_absent "$uninstall" DisplayName)" = "<absent>" ]; }
wait_until 120 uninstalled || note_failure "the uninstaller left $(ls "$prog_dir" 2>/dev/null | tr '\n' ' ')"
wineserver -w
expect_eq "start menu folder" absent "$(exists "$menu")"
expect_eq "program folder value" "<absent>" "$(reg_or_absent "$product\\2.0" directory)"
expect_eq "port setting" 3 "$(reg_or_absent "$product\\2.0\\Einstellungen" Port)"
expect_eq "measurements folder value" "$meas_win" "$(reg_or_absent "$product" directory)"
expect_eq "measurement file" data "$(cat "$meas_dir/misura_win32.klv" 2>/dev/null)"
expect_eq "limit file" present "$(exists "$meas_dir/Limiti.ini")"
rm -f "$meas_dir/misura_win32.klv"
finish
