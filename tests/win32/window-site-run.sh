#!/usr/bin/env bash
# Runs the Win32 window's end-to-end test under Wine on a test site of its own:
#   window-site-run.sh TEST_EXE WINE_ROOT [PREFIX SUBNET]
# Builds a site with one hub (tools/testsite.sh, the Linux build's hubsim) whose
# controller 1 is on link with its programming jumper fitted, starts the Wine prefix's
# wineserver inside the PC's namespace (sockets live in the wineserver's namespace), runs
# TEST_EXE there with no display and the site's addresses in the environment, and tears
# everything down, also on failure or interruption. The prefix, WINE_ROOT/PREFIX, is kept
# between runs: creating one takes about 12 s.
set -Eeuo pipefail

readonly exe=${1:?test exe} wine_root=${2:?wine root}
readonly prefix=${3:-kx1} subnet=${4:-140}
readonly here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
readonly source_dir=$(cd "$here/../.." && pwd)
readonly site="$source_dir/tools/testsite.sh"
readonly pc_ns="$prefix-pc"

if [[ $EUID -ne 0 ]]; then
    echo "window-site-run: the test site needs root; skipped" >&2
    exit 0
fi
if [[ -z ${KESTRUNE_HUBSIM:-} ]]; then
    for candidate in "$source_dir/build-core/tools/hubsim" "$source_dir/build/tools/hubsim"; do
        [[ -x $candidate ]] && { export KESTRUNE_HUBSIM=$candidate; break; }
    done
fi
[[ -x ${KESTRUNE_HUBSIM:-} ]] || { echo "window-site-run: no hubsim (build the core or give KESTRUNE_HUBSIM)" >&2; exit 1; }

export WINEPREFIX="$wine_root/$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY

in_pc() { ip netns exec "$pc_ns" "$@"; }

cleanup() {
    trap - EXIT INT TERM
    # The wineserver holds the namespace: it ends before the site goes.
    in_pc wineserver -k 2>/dev/null || true
    "$site" down --prefix "$prefix" >/dev/null 2>&1 || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$site" down --prefix "$prefix" >/dev/null 2>&1 || true
layout=$("$site" up --prefix "$prefix" --subnet "$subnet" --hubs 1 --hub 1 "--jumper 1 on")
hub=$(awk '$1 == "hub" && $2 == 1 {print $3}' <<<"$layout")
mac=$(awk '$1 == "hub" && $2 == 1 {print $7}' <<<"$layout" | tr 'a-f:' 'A-F-')

mkdir -p "$WINEPREFIX"
if [[ ! -f $WINEPREFIX/.kestrune-headless ]]; then
    in_pc wineboot -i >/dev/null 2>&1
    in_pc wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    # The first programs started without a driver; the next start reads the setting.
    in_pc wineserver -k 2>/dev/null || true
    touch "$WINEPREFIX/.kestrune-headless"
fi
in_pc wineserver -p
# Wine's background programs start now, not with the test's output pipe.
in_pc wine cmd /c exit 0 >/dev/null 2>&1
in_pc env KESTRUNE_SITE_PC="198.18.$subnet.1" KESTRUNE_SITE_HUB1="$hub" \
    KESTRUNE_SITE_HUB1_MAC="$mac" KESTRUNE_SITE_MOVED="198.18.$subnet.21" \
    timeout 150 wine "$exe"
