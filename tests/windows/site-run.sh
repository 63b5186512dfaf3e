#!/usr/bin/env bash
# Runs the Windows platform layer's site tests under Wine on a test site of their own:
#   site-run.sh TEST_EXE WINE_ROOT [PREFIX SUBNET]
# Builds the site from the Linux side (tools/testsite.sh, the Linux build's hubsim), starts
# the prefix's wineserver inside the PC's namespace (sockets live in the wineserver's
# namespace), runs TEST_EXE there with the site's addresses in the environment, and tears
# everything down, also on failure or interruption. The Wine prefix, WINE_ROOT/PREFIX, is
# kept between runs: creating one takes about 12 s.
#
# The last test takes a hub's link down: it asks by creating the file vanish-hub3 in the
# signal folder, which this script watches. KESTRUNE_SITE_HUB1_ARGS adds hubsim options to
# hub 1 (the window's test fits its controller's programming jumper). The prefix is made
# with Wine's null graphics driver, so that a test's windows need no display.
set -Eeuo pipefail

readonly exe=${1:?test exe} wine_root=${2:?wine root}
readonly prefix=${3:-kw1} subnet=${4:-130}
readonly here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
readonly source_dir=$(cd "$here/../.." && pwd)
readonly site="$source_dir/tools/testsite.sh"
readonly pc_ns="$prefix-pc"

if [[ $EUID -ne 0 ]]; then
    echo "site-run: the test site needs root; skipped" >&2
    exit 0
fi
if [[ -z ${KESTRUNE_HUBSIM:-} ]]; then
    for candidate in "$source_dir/build-core/tools/hubsim" "$source_dir/build/tools/hubsim"; do
        [[ -x $candidate ]] && { export KESTRUNE_HUBSIM=$candidate; break; }
    done
fi
[[ -x ${KESTRUNE_HUBSIM:-} ]] || { echo "site-run: no hubsim (build the core or give KESTRUNE_HUBSIM)" >&2; exit 1; }

export WINEPREFIX="$wine_root/$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
signals=$(mktemp -d "${TMPDIR:-/tmp}/kestrune-$prefix-signals.XXXXXX")
watcher=""

in_pc() { ip netns exec "$pc_ns" "$@"; }

cleanup() {
    local code=$?
    trap - EXIT INT TERM
    # Every step runs, whatever the one before it gave.
    set +e
    if [[ -n $watcher ]]; then
        kill "$watcher" 2>/dev/null
        wait "$watcher" 2>/dev/null
    fi
    # The wineserver holds the namespace: it ends before the site goes.
    in_pc wineserver -k 2>/dev/null || true
    "$site" down --prefix "$prefix" >/dev/null 2>&1 || true
    rm -rf "$signals"
    exit "$code"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$site" down --prefix "$prefix" >/dev/null 2>&1 || true
layout=$("$site" up --prefix "$prefix" --subnet "$subnet" --hubs 4 \
    --hub 1 "--reply unicast ${KESTRUNE_SITE_HUB1_ARGS:-}" --hub 2 "--reply subnet" --hub 3 "--reply broadcast" \
    --hub 4 "--fault refuse")

dashes() { tr 'a-f:' 'A-F-' <<<"$1"; }
env_args=(KESTRUNE_SITE_PC="198.18.$subnet.1" KESTRUNE_SITE_ABSENT="198.18.$subnet.99"
    KESTRUNE_SITE_PC_MAC="$(dashes "$(printf '02:00:5e:12:%02x:01' "$subnet")")"
    KESTRUNE_SITE_SIGNALS="Z:${signals//\//\\}")
while read -r kind index address _ _ _ mac; do
    [[ $kind == hub ]] || continue
    env_args+=("KESTRUNE_SITE_HUB$index=$address" "KESTRUNE_SITE_HUB${index}_MAC=$(dashes "$mac")")
done <<<"$layout"

# The signal folder's one request: the hub's side of its link goes down, so the hub
# neither answers nor says goodbye.
(
    until [[ -e $signals/vanish-hub3 ]]; do sleep 0.1; done
    ip -n "$prefix-h3" link set eth0 down
) &
watcher=$!

mkdir -p "$WINEPREFIX"
# A server of this prefix left by an interrupted run would hold another namespace.
wineserver -k 2>/dev/null || true
if [[ ! -d $WINEPREFIX/drive_c/windows ]]; then
    # wineboot's own status says little (and the registry is written only when the
    # wineserver ends): the prefix's Windows folder says whether it was made.
    in_pc wineboot -i >/dev/null 2>&1 || true
    [[ -d $WINEPREFIX/drive_c/windows ]] || { echo "site-run: no Wine prefix made in $WINEPREFIX" >&2; exit 1; }
    # No display: the window's tests run on Wine's null graphics driver.
    in_pc wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 || true
    # wineboot's server lingers a few seconds; the persistent one starts after it.
    in_pc wineserver -w
fi
in_pc wineserver -p
# Wine's background programs start now, not with the first test's output pipe.
in_pc wine cmd /c exit 0 >/dev/null 2>&1
in_pc env "${env_args[@]}" timeout 120 wine "$exe"
