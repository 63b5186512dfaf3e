#!/usr/bin/env bash
# Installs the Debian package on this machine as a technician would, uses it, and removes
# it again:
#   packaging/try-install.sh [BUILD_DIR]   (as root; default build, built beforehand)
# 1. builds the package (cpack) and installs it with dpkg -i, apt-get -f install for what
#    it depends on;
# 2. checks the installed files: the capabilities (getcap: cap_net_raw on the echo helper,
#    none on the program), no set-id bit, the desktop entry (desktop-file-validate), the
#    AppStream data (appstreamcli), the icons, the manual page;
# 3. starts the program from its desktop entry (gio launch) as the unprivileged user
#    "nobody" on a virtual display, and goes through the whole flow with the keyboard
#    against a site of simulated hubs (scripts/screenshots.sh: the echo probe before each
#    session only works through the echo helper and its capability, since unprivileged
#    ICMP sockets are off in the site's namespace); the pictures go to
#    BUILD_DIR/try-install;
# 4. removes the package and checks that its files are gone.
# Refuses to run when kestrune is installed already: that installation is not its own.
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$source_dir/build}" && pwd)
out=$build/try-install
program=/usr/bin/kestrune
helper=/usr/libexec/kestrune/kestrune-echo
desktop=/usr/share/applications/kestrune.desktop

step() { echo "try-install: $*"; }
die() {
    echo "try-install: FAIL: $*" >&2
    exit 1
}

[[ $EUID -eq 0 ]] || die "needs root (it installs a package)"
if dpkg-query -W -f='${Status}' kestrune 2>/dev/null | grep -q 'install ok'; then
    die "kestrune is installed already; remove it first (apt-get remove kestrune)"
fi

installed=false
cleanup() {
    if $installed; then
        dpkg -r kestrune >/dev/null 2>&1 || true
    fi
}
trap cleanup EXIT

rm -rf "$out"
mkdir -p "$out"
step "building the package"
cpack --config "$build/CPackConfig.cmake" -B "$out/package" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; die "cpack failed"; }
deb=$(ls "$out"/package/kestrune_*.deb)

step "installing $(basename "$deb")"
installed=true
if ! dpkg -i "$deb" >"$out/dpkg.log" 2>&1; then
    step "dpkg -i left dependencies open; apt-get -f install"
    DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq >>"$out/dpkg.log" 2>&1 ||
        { cat "$out/dpkg.log" >&2; die "the dependencies could not be installed"; }
fi
dpkg-query -W -f='${Status}\n' kestrune | grep -q 'install ok installed' ||
    { cat "$out/dpkg.log" >&2; die "the package is not installed"; }

step "checking the installed files"
capabilities=$(getcap "$helper")
[[ $capabilities == *cap_net_raw=ep* ]] || die "getcap $helper says '$capabilities'"
echo "  $capabilities"
[[ -z $(getcap "$program") ]] || die "the program holds a capability: $(getcap "$program")"
[[ -z $(find "$program" "$helper" -perm /6000) ]] || die "$program or $helper has a set-id bit"
desktop-file-validate "$desktop" || die "desktop-file-validate rejects $desktop"
echo "  $desktop valid"
appstreamcli validate --no-net --strict /usr/share/metainfo/*.metainfo.xml >"$out/appstream.log" 2>&1 ||
    { cat "$out/appstream.log" >&2; die "appstreamcli rejects the AppStream data"; }
echo "  AppStream data valid"
for size in 16 24 32 48 64 128 256; do
    [[ -f /usr/share/icons/hicolor/${size}x${size}/apps/kestrune.png ]] || die "no ${size}x$size icon"
done
man -w kestrune >/dev/null || die "man kestrune finds no page"
echo "  icons in 7 sizes, manual page $(man -w kestrune)"

step "starting it from the desktop entry as nobody, through the whole flow"
bash "$source_dir/scripts/screenshots.sh" --out "$out" --desktop-entry "$desktop" --user nobody

step "removing the package"
dpkg -r kestrune >"$out/remove.log" 2>&1 || { cat "$out/remove.log" >&2; die "dpkg -r failed"; }
installed=false
for file in "$program" "$helper" "$desktop" /usr/share/man/man1/kestrune.1.gz; do
    [[ ! -e $file ]] || die "$file is still there after removal"
done
step "installed, used as nobody from the desktop entry, and removed: all well"
