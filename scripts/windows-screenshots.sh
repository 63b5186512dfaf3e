#!/usr/bin/env bash
# Takes the pictures of the Win32 window (docs/windows-*.png) from kestrune.exe running
# under Wine on a virtual display, against simulated hubs:
#   scripts/windows-screenshots.sh [--out DIR] [--program PATH]
# As root it builds a site of three simulated hubs (198.18.141.11 to .13: hub 2 with an
# old firmware, hub 3 with two controllers on link) with the PC in a network namespace,
# starts a virtual display (Xvfb) and, inside the PC's namespace, a Wine desktop
# (explorer /desktop) holding the program, and drives it with the keyboard (xdotool).
# The Wine prefix is build-windows/wine/pictures, with Wine's own fonts copied in (Wine
# does not look for them where Debian puts them, and Cyrillic needs them). Everything
# else is removed again afterwards, on failure too.
#   --out DIR       where the pictures go (default: docs)
#   --program PATH  the program (default: build-windows/kestrune.exe)
set -euo pipefail
cd "$(dirname "$0")/.."

out=docs program=$PWD/build-windows/kestrune.exe
while (($#)); do
    case "$1" in
    --out) out=${2?}; shift 2 ;;
    --program) program=${2?}; shift 2 ;;
    *) sed -n '4,5p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
    esac
done

die() {
    echo "windows-screenshots: $*" >&2
    exit 1
}

[[ $EUID -eq 0 ]] || die "needs root (the site's network namespaces)"
for tool in Xvfb xdotool xdpyinfo import convert wine ip; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/install-deps.sh installs it)"
done
[[ -f $program ]] || die "no program at $program (scripts/build.sh windows builds it)"
mkdir -p "$out"
out=$(cd "$out" && pwd)

readonly prefix=kx2 subnet=141 pc_ns=kx2-pc
readonly desktop_size=1000x720
site=(bash tools/testsite.sh)
export WINEPREFIX=$PWD/build-windows/wine/pictures
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
if [[ -z ${KESTRUNE_HUBSIM:-} ]]; then
    for candidate in build-core/tools/hubsim build/tools/hubsim; do
        [[ -x $candidate ]] && { export KESTRUNE_HUBSIM=$PWD/$candidate; break; }
    done
fi
xvfb_pid=""

in_pc() { ip netns exec "$pc_ns" "$@"; }

cleanup() {
    in_pc wineserver -k 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    "${site[@]}" down --prefix "$prefix" >/dev/null 2>&1 || true
}
trap cleanup EXIT

"${site[@]}" down --prefix "$prefix" >/dev/null 2>&1 || true
"${site[@]}" up --prefix "$prefix" --subnet "$subnet" --pc ns --hubs 3 \
    --hub 2 "--firmware 0.98" --hub 3 "--controller 2 present --link 2 up" >/dev/null

hub_log() { cat "/run/kestrune-site/$prefix/hub$1.log"; }
expect_hub_log() { # hub, text, what the step was
    local tries
    for ((tries = 0; tries < 100; tries++)); do
        hub_log "$1" | grep -qF -- "$2" && return 0
        sleep 0.1
    done
    die "$3: hub $1 never logged \"$2\""
}

display=""
for number in $(seq 70 99); do
    [[ -e /tmp/.X$number-lock || -e /tmp/.X11-unix/X$number ]] && continue
    display=:$number
    break
done
[[ -n $display ]] || die "no free display number"
Xvfb "$display" -screen 0 "${desktop_size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || die "Xvfb did not start"

# The prefix: made inside the PC's namespace (its wineserver holds the sockets), with
# the fonts the captions need.
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    in_pc wineboot -i >/dev/null 2>&1
    in_pc wineserver -w
fi
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

in_pc wine explorer "/desktop=Kestrune,$desktop_size" "$program" >/dev/null 2>&1 &
desktop=""
for _ in $(seq 100); do
    desktop=$(xdotool search --name 'Kestrune' 2>/dev/null | head -n 1 || true)
    [[ -n $desktop ]] && break
    sleep 0.1
done
[[ -n $desktop ]] || die "the Wine desktop did not show"

keys() { # one key at a time, as a hand types them
    local key
    for key in "$@"; do
        xdotool key --clearmodifiers "$key"
        sleep 0.3
    done
}
picture() { # name: the desktop trimmed to the windows on it
    sleep 0.8
    import -window root "$out/windows-$1.png.tmp.png"
    convert "$out/windows-$1.png.tmp.png" -trim +repage "$out/windows-$1.png"
    rm -f "$out/windows-$1.png.tmp.png"
}

# 1. The start-up search has listed the hubs (it ends one second after the last reply).
sleep 6
picture 1-hubs

# 2. The first hub taken with Space, "Установить соединение" pressed from the keyboard:
#    connected, with the link state and the hub's parameters shown.
keys Down space Tab Tab Tab space
expect_hub_log 1 "opened" "connect"
sleep 2
picture 2-connected

# 3. The About command of the window menu.
keys alt+space Up Return
picture 3-about
keys Return

echo "windows-screenshots: pictures in $out"
