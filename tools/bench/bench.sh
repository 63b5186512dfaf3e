#!/usr/bin/env bash
# The benchmarks of the console's hub search and hub session and of the window's stalls,
# each on a site of its own.
#
#   bench.sh discovery [--hubs N] [--spread MS] [--rounds R] [--flood F]
#       N hubs (default 1000) played by one hubsim in one namespace that holds all their
#       addresses, on 198.18.72.0/22 with the PC; their replies spread over MS (default 50).
#       Then the flood: hub 1 alone answers each search F times (default 10000; 0: none),
#       each reply with its own physical address, in the window and in kestrunectl discover
#   bench.sh session [--rounds R] [--hub-delay MS]
#       one hub on the test site (tools/testsite.sh, 198.18.71.0/24); MS is the hub's own
#       delay before it answers a controller-number request (default 0)
#   bench.sh stalls
#       one hub on a site of its own (198.18.76.0/24): how long the window's event loop
#       stalls at start-up, in searches, connects, a number write and an IP apply, and the
#       start-up's time to the first paint
#   bench.sh apply [--hubs N]
#       N hubs (default 50) on a test site of their own (198.18.108.0/24, one namespace a
#       hub); kestrunectl apply moves each by a plan to a new address and verifies it:
#       the total time, the time per hub, and where it goes
#
# Builds build/ (RelWithDebInfo, the normal flavour) when needed, runs the benchmark in
# the PC's namespace and tears the site down again, also when interrupted. Needs root.
set -Eeuo pipefail

readonly ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
readonly BUILD=$ROOT/build
readonly BENCH=$BUILD/tools/bench/kestrune_bench
readonly HUBSIM=$BUILD/tools/hubsim
readonly STATE=/run/kestrune-bench
# The crowd: PC and hubs in two namespaces, joined by one veth pair.
readonly CROWD=kb2
readonly CROWD_NET=198.18.72
readonly CROWD_MAX_HUBS=1013 # 198.18.72.10 .. 198.18.75.254
# The session's site.
readonly SITE=kb1
readonly SITE_SUBNET=71
# The stalls' site: its hub is .11 (the IP apply moves it to .60 and back); .200 answers
# nothing; .99 is the chatty device, an extra address of the hub's namespace.
readonly STALL_SITE=kb3
readonly STALL_NET=198.18.76
# The plan's site: hub I is 198.18.108.(10+I) and the plan moves it to .(150+I).
readonly APPLY_SITE=kcb
readonly APPLY_SUBNET=108

die() {
    echo "bench: $*" >&2
    exit 1
}

usage() {
    sed -n '5,21p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

build() {
    if [[ ! -f $BUILD/build.ninja ]]; then
        cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$BUILD" -j 2 --target kestrune_bench >/dev/null
}

crowd_down() {
    local pid
    if [[ -f $STATE/hubsim.pid ]]; then
        pid=$(cat "$STATE/hubsim.pid")
        kill -TERM "$pid" 2>/dev/null || true
        # Each hub gives its address back first: a thousand take a few seconds.
        for _ in $(seq 300); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        kill -KILL "$pid" 2>/dev/null || true
    fi
    ip netns del "$CROWD-hubs" 2>/dev/null || true
    ip netns del "$CROWD-pc" 2>/dev/null || true
    rm -rf "$STATE"
}

crowd_up() {
    local hubs=$1 status
    [[ ! -e /run/netns/$CROWD-pc && ! -e /run/netns/$CROWD-hubs ]] ||
        die "a crowd is still up (namespaces $CROWD-pc, $CROWD-hubs)"
    mkdir -p "$STATE"
    ip netns add "$CROWD-pc"
    ip netns add "$CROWD-hubs"
    ip -n "$CROWD-pc" link set lo up
    ip -n "$CROWD-hubs" link set lo up
    ip -n "$CROWD-pc" link add "$CROWD-pc0" type veth peer name eth0 netns "$CROWD-hubs"
    # No IPv6 chatter on the segment.
    ip -n "$CROWD-pc" link set "$CROWD-pc0" addrgenmode none 2>/dev/null || true
    ip -n "$CROWD-hubs" link set eth0 addrgenmode none 2>/dev/null || true
    ip -n "$CROWD-pc" link set "$CROWD-pc0" address 02:00:5e:12:48:01 up
    ip -n "$CROWD-pc" addr add "$CROWD_NET.1/22" dev "$CROWD-pc0"
    ip -n "$CROWD-hubs" link set eth0 address 02:00:5e:12:48:0a up
    # hubsim puts every hub's address on eth0 itself.
    ip netns exec "$CROWD-hubs" setsid "$HUBSIM" --control "$STATE/hubs.sock" --dev eth0 \
        --count "$hubs" --ip "$CROWD_NET.10" --mask 255.255.252.0 --gw "$CROWD_NET.1" \
        >"$STATE/hubsim.log" 2>&1 </dev/null &
    echo $! >"$STATE/hubsim.pid"
    disown
    for _ in $(seq 200); do
        status=$("$HUBSIM" --send "$STATE/hubs.sock" "hub $hubs status" 2>/dev/null) && break
        sleep 0.05
    done
    [[ ${status:-} == ok* ]] || die "the hubs did not start: $(tail -n 5 "$STATE/hubsim.log")"
    # All the hubs share one neighbour table: one ARP exchange before the search lets
    # their unicast replies leave at once, as from hubs that each know the PC already.
    ip netns exec "$CROWD-pc" ping -c 1 -W 1 -q "$CROWD_NET.10" >/dev/null ||
        die "the hubs do not answer ping"
}

discovery() {
    local hubs=1000 flood=10000 args=() rounds=()
    while (($#)); do
        case "$1" in
        --hubs) hubs=${2?}; args+=(--hubs "$2"); shift 2 ;;
        --flood) flood=${2?}; shift 2 ;;
        --rounds) args+=("$1" "${2?}"); rounds=("$1" "$2"); shift 2 ;;
        --spread) args+=("$1" "${2?}"); shift 2 ;;
        *) usage ;;
        esac
    done
    [[ $hubs =~ ^[0-9]+$ ]] && ((hubs >= 1 && hubs <= CROWD_MAX_HUBS)) ||
        die "--hubs takes 1..$CROWD_MAX_HUBS"
    [[ $flood =~ ^[0-9]+$ ]] && ((flood <= 100000)) || die "--flood takes 0..100000"
    build
    cmake --build "$BUILD" -j 2 --target kestrunectl >/dev/null
    trap crowd_down EXIT
    trap 'exit 130' INT TERM
    crowd_up "$hubs"
    local status=0
    ip netns exec "$CROWD-pc" "$BENCH" discovery --control "$STATE/hubs.sock" "${args[@]}" ||
        status=$?
    if ((flood > 0)); then
        # A process of its own, so that its peak memory is the flood's alone.
        ip netns exec "$CROWD-pc" "$BENCH" flood --control "$STATE/hubs.sock" --replies "$flood" \
            --kestrunectl "$BUILD/app/kestrunectl" "${rounds[@]}" || status=$?
    fi
    return "$status"
}

session() {
    local args=() site
    while (($#)); do
        case "$1" in
        --rounds | --hub-delay) args+=("$1" "${2?}"); shift 2 ;;
        *) usage ;;
        esac
    done
    build
    trap 'bash "$ROOT/tools/testsite.sh" down --prefix "$SITE"' EXIT
    trap 'exit 130' INT TERM
    site=$(bash "$ROOT/tools/testsite.sh" up --prefix "$SITE" --subnet "$SITE_SUBNET" --hubs 1 \
        --hubsim "$HUBSIM") || die "the test site did not come up"
    echo "$site" | sed 's/^/site: /'
    ip netns exec "$SITE-pc" "$BENCH" session --control "/run/kestrune-site/$SITE/hub1.sock" \
        "${args[@]}"
}

stalls() {
    local site bench_pid
    (($# == 0)) || usage
    build
    trap 'bash "$ROOT/tools/testsite.sh" down --prefix "$STALL_SITE"' EXIT
    trap 'exit 130' INT TERM
    site=$(bash "$ROOT/tools/testsite.sh" up --prefix "$STALL_SITE" --subnet "${STALL_NET##*.}" \
        --hubs 1 --hubsim "$HUBSIM") || die "the test site did not come up"
    echo "$site" | sed 's/^/site: /'
    ip -n "$STALL_SITE-h1" addr add "$STALL_NET.99/24" dev eth0
    # In the background, so that a signal to this script alone ends the run at once too
    # (the shell takes its traps only once a foreground command is over).
    ip netns exec "$STALL_SITE-pc" "$BENCH" stalls \
        --control "/run/kestrune-site/$STALL_SITE/hub1.sock" --hub-netns "$STALL_SITE-h1" \
        --absent "$STALL_NET.200" --device "$STALL_NET.99" &
    bench_pid=$!
    trap 'kill -TERM "$bench_pid" 2>/dev/null; wait "$bench_pid" 2>/dev/null || true; exit 130' INT TERM
    wait "$bench_pid"
}

# Each line of standard input with the time it was read, in seconds.
stamped() {
    local line
    while IFS= read -r line; do
        printf '%s %s\n' "$EPOCHREALTIME" "$line"
    done
}

apply_plan() {
    local hubs=50 site plan out log start end
    while (($#)); do
        case "$1" in
        --hubs) hubs=${2?}; shift 2 ;;
        *) usage ;;
        esac
    done
    [[ $hubs =~ ^[0-9]+$ ]] && ((hubs >= 1 && hubs <= 90)) || die "--hubs takes 1..90"
    cmake --build "$BUILD" -j 2 --target kestrunectl hubsim >/dev/null
    trap 'bash "$ROOT/tools/testsite.sh" down --prefix "$APPLY_SITE"' EXIT
    trap 'exit 130' INT TERM
    site=$(bash "$ROOT/tools/testsite.sh" up --prefix "$APPLY_SITE" --subnet "$APPLY_SUBNET" \
        --hubs "$hubs" --hubsim "$HUBSIM") || die "the test site did not come up"
    mkdir -p "$STATE"
    plan=$STATE/plan.csv out=$STATE/apply.json log=$STATE/apply.log
    {
        echo "mac,ip"
        awk -v net="198.18.$APPLY_SUBNET" '$1 == "hub" { print $7 "," net "." 150 + $2 }' <<<"$site"
    } >"$plan"
    start=$EPOCHREALTIME
    { ip netns exec "$APPLY_SITE-pc" "$BUILD/app/kestrunectl" -v apply "$plan" --json 2>&1 >"$out" ||
        true; } | stamped >"$log"
    end=$EPOCHREALTIME
    echo "apply of $hubs hubs: $(grep -c '"changed"' "$out") changed"
    # The window's log lines mark the steps: connected (after the echo and the connect),
    # parameters sent (after the physical address and the hub's parameters), session
    # ended (the 1 s apply pause), and the verifying search's last reply.
    awk -v start="$start" -v end="$end" -v hubs="$hubs" '
        / Обнаружен хаб: / { found = $1; next }
        / успешно произведено/ {
            # The first search ends a quiet second after its last reply: the first hub
            # counts from the start, the others from the last verifying reply before.
            if (n == 0) search = $1 - start
            else { verify += found - pause_end; connect += $1 - found; followers++ }
            n++; connected = $1; next }
        / Установка IP параметров/ { ready += $1 - connected; sent = $1; next }
        / Подключение к хабу разорвано/ { pause += $1 - sent; pause_end = $1; next }
        END {
            verify += found - pause_end
            total = end - start
            printf "total %.2f s; the first search (and the first connect) %.2f s\n", total, search
            printf "per hub %.3f s: echo and connect %.3f, physical address and parameters %.3f, apply pause %.3f, verifying search %.3f\n",
                (total - search) / n, followers ? connect / followers : 0, ready / n, pause / n, verify / n
            printf "per hub beyond the 1 s apply pause: %.3f s\n", (total - search) / n - 1
        }' "$log"
}

(($#)) || usage
[[ $EUID -eq 0 ]] || die "needs root (network namespaces)"
command=$1
shift
case "$command" in
discovery) discovery "$@" ;;
session) session "$@" ;;
stalls) stalls "$@" ;;
apply) apply_plan "$@" ;;
*) usage ;;
esac
