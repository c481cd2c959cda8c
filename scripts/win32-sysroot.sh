#!/usr/bin/env bash
# Makes (once) the private 32-bit Wine of the win32 test tier and prints how
# it runs ("native" or "qemu"); exit 3 with a message when the machine
# refuses it, so that the tier is skipped, not passed.
#   scripts/win32-sysroot.sh [--check]
# Nothing is installed system-wide: the i386 packages of Wine are fetched by
# apt into a private apt state and unpacked with dpkg -x under
# KLV_WIN32_ROOT (default /opt/klv-win32). The machine's own 64-bit Wine and
# its prefixes stay exactly as they are. A kernel that executes i386 code runs
# the 32-bit Wine directly; otherwise qemu-i386 (also unpacked privately, no
# binfmt registration) emulates it. --check only reports, it makes nothing.
set -euo pipefail
root=${KLV_WIN32_ROOT:-/opt/klv-win32}
sysroot=$root/sysroot
stamp=$root/.klv-ready-2
refuse() {
    echo "win32-sysroot: $* (the win32 tier is skipped)" >&2
    exit 3
}

# The two ways of running the i386 loader; native when the kernel allows it.
run_mode() {
    if [ -n "${KLV_WIN32_MODE:-}" ]; then
        echo "$KLV_WIN32_MODE"
    elif "$sysroot/lib/ld-linux.so.2" --version >/dev/null 2>&1; then
        echo native
    else
        echo qemu
    fi
}

# The way of running, or a refusal when only emulation is left and the
# emulated Wine did not start a program at set-up.
usable_mode() {
    local mode
    mode=$(run_mode)
    if [ "$mode" = qemu ] && [ -f "$root/.qemu-refused" ]; then
        refuse "this kernel does not execute i386 code and the emulated 32-bit Wine did not start a program"
    fi
    echo "$mode"
}

if [ -f "$stamp" ]; then
    usable_mode
    exit 0
fi
[ "${1:-}" != --check ] || refuse "no private 32-bit Wine at $root (run scripts/setup-deps.sh)"

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo mkdir -p "$root" || refuse "cannot create $root"
$sudo chown "$(id -u):$(id -g)" "$root"
exec 9>"$root/.lock"
flock 9
if [ -f "$stamp" ]; then
    usable_mode
    exit 0
fi
for tool in apt-get dpkg ldconfig patchelf; do
    command -v $tool >/dev/null || refuse "'$tool' is missing"
done
wine_version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null) ||
    refuse "the 64-bit Wine (wine64) is not installed"

# A private apt state for the i386 architecture: the machine's sources,
# nothing from its dpkg database, no recommends.
apt=$root/apt
mkdir -p "$apt/lists/partial" "$apt/archives/partial" "$apt/prefs"
: >"$apt/status"
cat >"$apt/apt.conf" <<EOF
APT::Architecture "i386";
APT::Architectures { "i386"; };
Dir::State "$apt";
Dir::State::lists "$apt/lists";
Dir::State::status "$apt/status";
Dir::Cache "$apt";
Dir::Cache::archives "$apt/archives";
Dir::Etc::Preferences "/dev/null";
Dir::Etc::PreferencesParts "$apt/prefs";
APT::Install-Recommends "false";
Debug::NoLocking "true";
EOF
echo "win32-sysroot: fetching 32-bit Wine $wine_version into $root (first use)" >&2
export APT_CONFIG=$apt/apt.conf
apt-get update -qq >/dev/null 2>&1 || refuse "apt could not read the i386 package lists"
# The X11 extensions are only recommended by Wine but its display driver
# uses them; the same version as the 64-bit Wine, so that both agree.
apt-get install --download-only -y -qq "wine32=$wine_version" "libwine=$wine_version" \
    libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3 \
    libxxf86vm1 >/dev/null 2>&1 || refuse "apt could not fetch wine32:i386 $wine_version"
unset APT_CONFIG
rm -rf "$sysroot"
mkdir -p "$sysroot"
for deb in "$apt"/archives/*.deb; do
    dpkg -x "$deb" "$sysroot"
done
# Debian finds Wine's zlib1.dll in the MinGW tree; the private Wine looks
# only in its own directory.
cp "$sysroot/usr/i686-w64-mingw32/lib/zlib1.dll" "$sysroot/usr/lib/i386-linux-gnu/wine/i386-windows/"
printf 'include /etc/ld.so.conf.d/*.conf\n' >"$sysroot/etc/ld.so.conf"
ldconfig -r "$sysroot"

# qemu-i386, unpacked privately, for kernels that do not execute i386 code.
mkdir -p "$root/qemu-deb" "$root/qemu"
(cd "$root/qemu-deb" && apt-get download -qq qemu-user-static >/dev/null 2>&1) ||
    refuse "apt could not fetch qemu-user-static"
dpkg -x "$root"/qemu-deb/qemu-user-static_*.deb "$root/qemu"

# Run natively, the loader takes its libraries from the sysroot, never from
# the machine's /lib32.
libdirs=$sysroot/lib/i386-linux-gnu:$sysroot/usr/lib/i386-linux-gnu
winedir=$sysroot/usr/lib/wine
# The patched copies run natively; qemu runs the untouched originals.
mv "$winedir/wine" "$winedir/wine.orig"
cp "$winedir/wine.orig" "$winedir/wine.bin"
cp "$winedir/wineserver32" "$winedir/wineserver.bin"
for bin in "$winedir/wine.bin" "$winedir/wineserver.bin"; do
    patchelf --set-interpreter "$sysroot/lib/ld-linux.so.2" --force-rpath --set-rpath "$libdirs" "$bin"
done

# Wine starts every further process through the loader named "wine" beside
# itself, and the server through "wineserver": both become wrappers that pick
# the way of running, so child processes run the same way as the first.
write_wrapper() { # NAME NATIVE-BINARY QEMU-BINARY
    cat >"$winedir/$1" <<EOF
#!/bin/bash
# Private 32-bit Wine of the win32 test tier (made by scripts/win32-sysroot.sh).
export WINELOADER=$winedir/wine WINESERVER=$winedir/wineserver
mode=\${KLV_WIN32_MODE:-}
if [ -z "\$mode" ]; then
    mode=qemu
    ! $sysroot/lib/ld-linux.so.2 --version >/dev/null 2>&1 || mode=native
fi
if [ "\$mode" = qemu ]; then
    export QEMU_LD_PREFIX=$sysroot QEMU_RESERVED_VA=0xffff0000
    exec $root/qemu/usr/bin/qemu-i386-static -0 "\$0" $winedir/$3 "\$@"
fi
exec -a "\$0" $winedir/$2 "\$@"
EOF
    chmod +x "$winedir/$1"
}
write_wrapper wine wine.bin wine.orig
write_wrapper wineserver wineserver.bin wineserver32
# Emulation is only used where the kernel cannot run i386 code: then the
# emulated Wine must start a program in a scratch prefix once, or the tier is
# skipped rather than left to time out.
rm -f "$root/.qemu-refused"
if [ "$(run_mode)" = qemu ]; then
    probe=$root/probe-prefix
    rm -rf "$probe"
    mkdir -p "$probe/drive_c/windows/system32"
    cp "$sysroot/usr/i686-w64-mingw32/lib/zlib1.dll" "$probe/drive_c/windows/system32/"
    echo "win32-sysroot: trying the emulated 32-bit Wine (up to 15 minutes)" >&2
    if ! WINEPREFIX=$probe WINEARCH=win32 WINEDEBUG=-all timeout 900 "$winedir/wine" cmd /c exit \
        >/dev/null 2>&1; then
        touch "$root/.qemu-refused"
    fi
    WINEPREFIX=$probe timeout 60 "$winedir/wineserver" -k 2>/dev/null || true
    rm -rf "$probe"
fi
touch "$stamp"
usable_mode
