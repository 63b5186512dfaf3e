#!/usr/bin/env bash
# Takes the README's pictures of each step of the flow from the running program, driven
# with the keyboard alone:
#   scripts/screenshots.sh [--out DIR] [--scale N] [--program PATH | --desktop-entry FILE]
#                          [--user NAME]
# As root it builds the demo site of four simulated hubs (198.18.0.11 to .14: hub 2 with
# an old firmware, hub 3 with two controllers on link, hub 4 with the programming jumper
# on controller 2) with the PC in a network namespace of its own, gives that PC a second
# adapter so that the adapter choice shows, starts a virtual display (Xvfb) with a window
# manager (openbox), starts the program in the PC's namespace and drives it with xdotool.
# Everything is removed again afterwards, on failure too.
#   --out DIR             where the pictures go (default: docs)
#   --scale N             QT_SCALE_FACTOR for the program (default 1)
#   --program PATH        the program (default: build/app/kestrune)
#   --desktop-entry FILE  start the program from this desktop entry (gio launch) instead
#   --user NAME           run the program as this user, not root
# The hubs' own logs confirm each step; a step the program did not take fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

out=docs scale=1 program=$PWD/build/app/kestrune desktop_entry="" user=""
while (($#)); do
    case "$1" in
    --out) out=${2?}; shift 2 ;;
    --scale) scale=${2?}; shift 2 ;;
    --program) program=${2?}; shift 2 ;;
    --desktop-entry) desktop_entry=${2?}; shift 2 ;;
    --user) user=${2?}; shift 2 ;;
    *) sed -n '4,5p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
    esac
done

die() {
    echo "screenshots: $*" >&2
    exit 1
}

[[ $EUID -eq 0 ]] || die "needs root (the site's network namespaces)"
for tool in Xvfb openbox xdotool xwininfo import ip; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/install-deps.sh installs it)"
done
[[ -n $desktop_entry || -x $program ]] || die "no program at $program (scripts/build.sh builds it)"
mkdir -p "$out"
out=$(cd "$out" && pwd)

readonly prefix=kps pc_ns=kps-pc
site=(bash tools/testsite.sh)
display=""
work=$(mktemp -d)
chmod 755 "$work"

cleanup() {
    local pid
    for pid in $(ip netns pids "$pc_ns" 2>/dev/null); do
        kill "$pid" 2>/dev/null || true
    done
    [[ -n ${wm_pid:-} ]] && kill "$wm_pid" 2>/dev/null || true
    [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null || true
    "${site[@]}" down --prefix "$prefix" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# The site, as scripts/console.sh builds the demo, but with the PC in a namespace.
"${site[@]}" down --prefix "$prefix" >/dev/null 2>&1 || true
"${site[@]}" up --prefix "$prefix" --subnet 0 --pc ns --hubs 4 \
    --hub 2 "--firmware 0.98" \
    --hub 3 "--controller 2 present --link 2 up" \
    --hub 4 "--controller 2 present --jumper 2 on" >/dev/null
# A PC's own names for its cards, and a second card on another subnet.
ip -n "$pc_ns" link set "$prefix-pc0" down
ip -n "$pc_ns" link set "$prefix-pc0" name eth0
ip -n "$pc_ns" link set eth0 up
ip -n "$pc_ns" link add eth1 type veth peer name eth1-peer
ip -n "$pc_ns" addr add 198.18.1.1/24 dev eth1
ip -n "$pc_ns" link set eth1 up
ip -n "$pc_ns" link set eth1-peer up

hub_log() { cat "/run/kestrune-site/$prefix/hub$1.log"; }
expect_hub_log() { # hub, text, what the step was
    local tries
    for ((tries = 0; tries < 50; tries++)); do
        hub_log "$1" | grep -qF -- "$2" && return 0
        sleep 0.1
    done
    die "$3: hub $1 never logged \"$2\""
}

# The display, at the scale asked for.
width=$((1280 * scale)) height=$((1024 * scale))
for number in $(seq 70 99); do
    [[ -e /tmp/.X$number-lock || -e /tmp/.X11-unix/X$number ]] && continue
    display=:$number
    break
done
[[ -n $display ]] || die "no free display number"
Xvfb "$display" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || die "Xvfb did not start"
openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
root_window=$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
sleep 1

# The program, in the PC's namespace, as the given user.
as_user=()
environment=(env DISPLAY="$display" QT_SCALE_FACTOR="$scale" HOME="$work")
if [[ -n $user ]]; then
    chown "$user" "$work"
    as_user=(runuser -u "$user" --)
fi
if [[ -n $desktop_entry ]]; then
    start=(gio launch "$desktop_entry")
else
    start=("$program")
fi
ip netns exec "$pc_ns" "${as_user[@]}" "${environment[@]}" "${start[@]}" >"$work/program.log" 2>&1 &

window_named() { # name: the visible window with this name, waited for
    local id tries
    for ((tries = 0; tries < 100; tries++)); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
        if [[ -n $id ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    cat "$work/program.log" >&2
    die "no window \"$1\" showed"
}
window_gone() {
    local tries
    for ((tries = 0; tries < 50; tries++)); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    die "the window \"$1\" stayed"
}
keys() { # one key at a time, as a hand types them
    local key
    for key in "$@"; do
        xdotool key --clearmodifiers "$key"
        sleep 0.25
    done
}
type_text() {
    xdotool type --delay 60 "$1"
    sleep 0.25
}
activate() { # window: back to the window once a box has gone, as a click on it would
    local tries
    for ((tries = 0; tries < 20; tries++)); do
        # The window manager may refuse while it still tidies up after the box.
        xdotool windowactivate --sync "$1" 2>/dev/null && return 0
        sleep 0.2
    done
    die "the window would not take the focus back"
}
click_list() { # into the hub list below its rows (the list spans 11 to 82 of 350 units)
    local WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$console" | grep -E '^(WIDTH|HEIGHT)=')"
    xdotool mousemove --window "$console" $((WIDTH / 2)) $((HEIGHT * 75 / 350)) click 1
    sleep 0.25
}
frame_of() { # window: the window manager's frame around it, the root's child
    local window=$1 parent
    while parent=$(xwininfo -tree -id "$window" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p') &&
        [[ -n $parent && $parent != "$root_window" ]]; do
        window=$parent
    done
    echo "$window"
}
shot() { # name, window: the window with its frame, as the screen shows it
    sleep 0.5
    local geometry
    # Cut from the whole screen: the frame's own picture lacks the window drawn inside it.
    geometry=$(xwininfo -id "$(frame_of "$2")" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF }
        END { printf "%dx%d+%d+%d", w, h, x, y }')
    # No dates in the file: a picture that did not change stays byte for byte the same.
    import -window root png:- | convert - -crop "$geometry" +repage -strip \
        -define png:exclude-chunks=date,time "$out/$1.png"
    echo "screenshots: $out/$1.png"
}

readonly console_title="Конфигурирование IP хабов «Тамрил» 3.15"
readonly choice_title="Список сетевых адаптеров, обнаруженных в компьютере"

# 1. Two adapters: the program asks which one leads to the hubs.
choice=$(window_named "$choice_title")
pid=$(xdotool getwindowpid "$choice")
echo "screenshots: the window is $(readlink "/proc/$pid/exe")'s, running as $(ps -o user= -p "$pid")"
if [[ -n $user && $(ps -o user= -p "$pid") != "$user" ]]; then
    die "the program runs as $(ps -o user= -p "$pid"), not as $user"
fi
keys Down
shot flow-1-adapter "$choice"
keys Return
window_gone "$choice_title"

# 2. The search on eth0 finds the four hubs; typing an address in the list picks its row,
# Space takes it into the connection fields.
console=$(window_named "$console_title")
sleep 2
type_text 198.18.0.13
keys space
shot flow-2-hubs "$console"

# 3. Tab to "Установить соединение", Space: the session, the link states and the hub's IP
# parameters.
keys Tab Tab Tab space
expect_hub_log 3 "session with 198.18.0.1" "connecting to hub 3"
sleep 1.5
shot flow-3-connected "$console"
cp "$out/flow-3-connected.png" "$out/console.png"

# 4. A new address for the hub: into its last part (the "." key moves on), then Tab to
# "Применить" and Space. The hub moves and the session ends.
keys Tab period period period
type_text 23
keys Tab Tab Tab
shot flow-4-parameters "$console"
keys space
expect_hub_log 3 "moved to 198.18.0.23" "writing hub 3's parameters"
sleep 2

# 5. Hub 2, with an old firmware: its number write asks first whether to go on. A click
# into the list's empty part gives it the focus.
click_list
type_text 198.18.0.12
keys space Tab Tab Tab space
expect_hub_log 2 "session with 198.18.0.1" "connecting to hub 2"
sleep 1.5
keys Tab Tab Tab Tab Tab
type_text 3
keys Tab space
box=$(window_named "Внимание")
shot flow-5-firmware "$box"
keys Return # "Нет", the default
window_gone "Внимание"
activate "$console"
keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab Return # "Разорвать соединение"
sleep 1

# 6. Hub 4, the jumper fitted on its controller 2: the jumper question, "Да", and the
# hub's answer.
click_list
type_text 198.18.0.14
keys space Tab Tab Tab space
expect_hub_log 4 "session with 198.18.0.1" "connecting to hub 4"
sleep 1.5
keys Tab Tab Tab Tab Tab
type_text 2
keys Tab space
box=$(window_named "Внимание")
shot flow-6-jumper "$box"
keys Left space # to "Да", and press it
expect_hub_log 4 "controller number 2: result 0" "writing controller number 2 to hub 4"
result=$(window_named Kestrune)
shot flow-7-result "$result"
keys Return
window_gone Kestrune
activate "$console"
sleep 0.5
shot flow-8-log "$console"

# Escape closes the window and the program ends.
keys Escape
window_gone "$console_title"
echo "screenshots: done"
