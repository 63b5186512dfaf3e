#!/usr/bin/env bash
# The network test site: a technician's PC and K hubs on one Ethernet segment, each hub
# in a network namespace of its own running hubsim, all joined by a bridge.
#
#   testsite.sh up --prefix P [--subnet N] [--hubs K] [--pc ns|host] [--hubsim PATH]
#                  [--share K] [--hub-args "ARGS"] [--hub I "ARGS"]...
#   testsite.sh down --prefix P
#   testsite.sh ctl --prefix P --hub I "COMMAND"
#
# Addresses 198.18.N.0/24: the PC is 198.18.N.1, hub I is 198.18.N.(10+I); with --share K
# hubs 1 to K all answer from hub 1's address, as hubs fresh from the box do, each with
# its own physical address.
# Namespaces: P-sw (bridge P-br), P-hI (interface eth0), P-pc (interface P-pc0) with
# --pc ns; with --pc host the veth P-pc0 stays in the calling namespace.
# ARGS are shell words given to hubsim after the site's own options (--hub-args for
# every hub first, then that hub's --hub ones), e.g. --hub 2 "--firmware 0.98".
# State (pids, logs, control sockets) lives in /run/kestrune-site/P. Needs root.
# The simulator: --hubsim, else $KESTRUNE_HUBSIM (the tests set it to the one their own
# build made), else the normal build's build/tools/hubsim beside this script.
set -Eeuo pipefail

readonly STATE_ROOT=/run/kestrune-site
readonly SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
readonly MAX_HUBS=244
readonly READY_TIMEOUT_S=10

prefix="" subnet=0 hubs=1 share=0 pc=ns hubsim="${KESTRUNE_HUBSIM:-$SCRIPT_DIR/../build/tools/hubsim}"
hub_args="" hub_index=""
declare -A per_hub_args=()

usage() {
    sed -n '5,9p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

die() {
    echo "testsite: $*" >&2
    exit 1
}

parse_args() {
    while (($#)); do
        case "$1" in
        --prefix) prefix=${2?}; shift 2 ;;
        --subnet) subnet=${2?}; shift 2 ;;
        --hubs) hubs=${2?}; shift 2 ;;
        --share) share=${2?}; shift 2 ;;
        --pc) pc=${2?}; shift 2 ;;
        --hubsim) hubsim=${2?}; shift 2 ;;
        --hub-args) hub_args=${2?}; shift 2 ;;
        --hub)
            if [[ $command == ctl ]]; then
                hub_index=${2?}; shift 2
            else
                per_hub_args[${2?}]+=" ${3?}"; shift 3
            fi
            ;;
        *)
            if [[ $command == ctl && -z ${ctl_command:-} && $1 != --* ]]; then
                ctl_command=$1; shift
            else
                echo "testsite: unexpected argument '$1'" >&2
                usage
            fi
            ;;
        esac
    done
    [[ $prefix =~ ^[A-Za-z0-9]{1,4}$ ]] ||
        die "--prefix takes 1 to 4 letters or digits (interface names are limited to 15)"
    state_dir=$STATE_ROOT/$prefix
}

# Named namespaces are files under /run/netns ("ip netns add" puts them there).
site_namespaces() {
    local file name
    for file in /run/netns/"$prefix"-*; do
        name=${file##*/}
        [[ -e $file && $name =~ ^$prefix-(sw|pc|h[0-9]+)$ ]] && echo "$name"
    done
    return 0
}

hub_ns() { echo "$prefix-h$1"; }
hub_ip() { echo "198.18.$subnet.$((10 + ($1 <= share ? 1 : $1)))"; }
hub_mac() { printf '02:00:5e:12:%02x:%02x' "$subnet" $((10 + $1)); }
pc_ip() { echo "198.18.$subnet.1"; }

# Only the hubsim processes this site started: the recorded pids, and any hubsim left
# in the hub namespaces by an earlier, interrupted run.
site_pids() {
    local file pid ns
    for file in "$state_dir"/hub*.pid; do
        [[ -f $file ]] && cat "$file"
    done
    for ns in $(site_namespaces); do
        [[ $ns == "$prefix"-h* ]] || continue
        for pid in $(ip netns pids "$ns" 2>/dev/null); do
            [[ $(cat "/proc/$pid/comm" 2>/dev/null) == hubsim ]] && echo "$pid"
        done
    done
    return 0
}

# A process that has exited counts as gone even before its new parent reaps it.
running() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [[ -n $state && $state != Z && $state != X ]]
}

teardown() {
    local pids pid ns tries
    pids=$(site_pids | sort -u)
    for pid in $pids; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for ((tries = 0; tries < 40; tries++)); do
        local alive=""
        for pid in $pids; do
            running "$pid" && alive+=" $pid"
        done
        pids=$alive
        [[ -z $pids ]] && break
        sleep 0.05
    done
    for pid in $pids; do
        kill -KILL "$pid" 2>/dev/null || true
    done
    # Deleting the switch namespace takes every veth pair with it, the PC's end in
    # the calling namespace included.
    for ns in $(site_namespaces); do
        ip netns del "$ns" 2>/dev/null || true
    done
    if ip link show "$prefix-pc0" >/dev/null 2>&1; then
        ip link del "$prefix-pc0" 2>/dev/null || true
    fi
    rm -rf "$state_dir"
}

check_up_args() {
    [[ $EUID -eq 0 ]] || die "needs root (network namespaces)"
    command -v ip >/dev/null || die "the ip command (iproute2) is missing"
    [[ -x $hubsim ]] || die "no hubsim at $hubsim (build the hubsim target or give --hubsim)"
    [[ $subnet =~ ^[0-9]+$ ]] && ((subnet <= 255)) || die "--subnet takes 0..255"
    [[ $hubs =~ ^[0-9]+$ ]] && ((hubs >= 1 && hubs <= MAX_HUBS)) ||
        die "--hubs takes 1..$MAX_HUBS"
    [[ $share =~ ^[0-9]+$ ]] && ((share <= hubs)) || die "--share takes 0..$hubs"
    [[ $pc == ns || $pc == host ]] || die "--pc takes ns or host"
    local i
    for i in "${!per_hub_args[@]}"; do
        [[ $i =~ ^[0-9]+$ ]] && ((i >= 1 && i <= hubs)) || die "--hub $i: no such hub"
    done
    if [[ -e $state_dir || -n $(site_namespaces) ]] || ip link show "$prefix-pc0" >/dev/null 2>&1; then
        die "a site with prefix $prefix is still up (testsite.sh down --prefix $prefix)"
    fi
    if [[ $pc == host && -n $(ip -4 -o addr show to "198.18.$subnet.0/24") ]]; then
        die "198.18.$subnet.0/24 is already on an interface here; choose another --subnet"
    fi
}

# No IPv6 link-local address on the site's links, so that no router solicitation or
# listener report crosses the segment; a kernel without IPv6 needs nothing.
quiet_v6() {
    local link=${!#}
    set -- "${@:1:$#-1}"
    "$@" link set "$link" addrgenmode none 2>/dev/null || true
}

# A veth from the bridge to namespace $1 (or to this namespace when $1 is a pid),
# named $2 on the bridge side and $3 on the far side.
plug() {
    ip -n "$prefix-sw" link add "$2" type veth peer name "$3" netns "$1"
    quiet_v6 ip -n "$prefix-sw" "$2"
    ip -n "$prefix-sw" link set "$2" master "$prefix-br" up
}

build_site() {
    local i ns pc_link=(ip)
    ip netns add "$prefix-sw"
    ip -n "$prefix-sw" link set lo up
    ip -n "$prefix-sw" link add "$prefix-br" type bridge
    quiet_v6 ip -n "$prefix-sw" "$prefix-br"
    ip -n "$prefix-sw" link set "$prefix-br" up

    if [[ $pc == ns ]]; then
        ip netns add "$prefix-pc"
        ip -n "$prefix-pc" link set lo up
        plug "$prefix-pc" "$prefix-sp" "$prefix-pc0"
        pc_link=(ip -n "$prefix-pc")
    else
        plug $$ "$prefix-sp" "$prefix-pc0"
    fi
    quiet_v6 "${pc_link[@]}" "$prefix-pc0"
    "${pc_link[@]}" link set "$prefix-pc0" address "$(printf '02:00:5e:12:%02x:01' "$subnet")" up
    "${pc_link[@]}" addr add "$(pc_ip)/24" dev "$prefix-pc0"

    for ((i = 1; i <= hubs; i++)); do
        ns=$(hub_ns "$i")
        ip netns add "$ns"
        ip -n "$ns" link set lo up
        plug "$ns" "$prefix-s$i" eth0
        quiet_v6 ip -n "$ns" eth0
        ip -n "$ns" link set eth0 address "$(hub_mac "$i")" up
        ip -n "$ns" addr add "$(hub_ip "$i")/24" dev eth0
    done
}

start_hubs() {
    local i args extra
    for ((i = 1; i <= hubs; i++)); do
        args=(--control "$state_dir/hub$i.sock" --dev eth0 --ip "$(hub_ip "$i")"
            --mask 255.255.255.0 --gw "$(pc_ip)")
        eval "extra=($hub_args ${per_hub_args[$i]:-})"
        args+=("${extra[@]}")
        ip netns exec "$(hub_ns "$i")" setsid "$hubsim" "${args[@]}" \
            >"$state_dir/hub$i.log" 2>&1 </dev/null &
        echo $! >"$state_dir/hub$i.pid"
    done
}

hub_status() { "$hubsim" --send "$state_dir/hub$1.sock" status 2>/dev/null; }

# Every hub answers its control socket, answers echo unless told not to, and listens
# on the session port unless told to refuse it.
wait_ready() {
    local i status deadline=$((SECONDS + READY_TIMEOUT_S))
    local ping=(ping)
    [[ $pc == ns ]] && ping=(ip netns exec "$prefix-pc" ping)
    for ((i = 1; i <= hubs; i++)); do
        until status=$(hub_status "$i"); do
            running "$(cat "$state_dir/hub$i.pid")" ||
                die "hub $i stopped: $(tail -n 5 "$state_dir/hub$i.log")"
            ((SECONDS < deadline)) || die "hub $i does not answer its control socket"
            sleep 0.05
        done
        if [[ $status != *listening=yes* && $status != *refuse* ]]; then
            die "hub $i does not listen on its session port: $status"
        fi
        if [[ $status == *echo=on* ]]; then
            until "${ping[@]}" -c 1 -W 1 -q "$(hub_ip "$i")" >/dev/null 2>&1; do
                ((SECONDS < deadline)) || die "hub $i ($(hub_ip "$i")) does not answer ping"
            done
        fi
    done
}

print_site() {
    local i
    if [[ $pc == ns ]]; then
        echo "pc $(pc_ip) ns $prefix-pc"
    else
        echo "pc $(pc_ip) host $prefix-pc0"
    fi
    for ((i = 1; i <= hubs; i++)); do
        echo "hub $i $(hub_ip "$i") ns $(hub_ns "$i") mac $(hub_mac "$i")"
    done
}

on_failure() {
    local code=$?
    trap - ERR INT TERM
    echo "testsite: up failed (line ${BASH_LINENO[0]}), tearing down $prefix" >&2
    teardown
    exit $((code == 0 ? 1 : code))
}

on_interrupt() {
    trap - ERR INT TERM
    echo "testsite: interrupted, tearing down $prefix" >&2
    teardown
    exit 130
}

up() {
    check_up_args
    trap on_failure ERR
    trap on_interrupt INT TERM
    mkdir -p "$state_dir"
    echo "$hubsim" >"$state_dir/hubsim"
    printf 'subnet=%s\nhubs=%s\npc=%s\n' "$subnet" "$hubs" "$pc" >"$state_dir/site"
    build_site
    start_hubs
    # die inside wait_ready exits through the EXIT path, not ERR: tear down there too.
    trap 'teardown' EXIT
    wait_ready
    trap - EXIT ERR INT TERM
    print_site
}

ctl() {
    [[ -n $hub_index && -n ${ctl_command:-} ]] || usage
    [[ -f $state_dir/hubsim ]] || die "no site with prefix $prefix is up"
    [[ -S $state_dir/hub$hub_index.sock ]] || die "site $prefix has no hub $hub_index"
    exec "$(cat "$state_dir/hubsim")" --send "$state_dir/hub$hub_index.sock" "$ctl_command"
}

(($#)) || usage
command=$1
shift
case "$command" in
up) parse_args "$@"; up ;;
down) parse_args "$@"; [[ $EUID -eq 0 ]] || die "needs root"; teardown ;;
ctl) parse_args "$@"; ctl ;;
*) usage ;;
esac
