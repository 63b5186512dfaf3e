#!/usr/bin/env bash
# Runs kestrunectl against the demo site, as root: installs what is missing, builds the
# tool and the hub simulator, brings the demo site of four simulated hubs up if it is not
# (adapter "demo-pc0", 198.18.0.1/24: the same site as scripts/console.sh's), and runs
#   kestrunectl ARGS... --adapter demo-pc0
# (the adapter only for the commands that take one, and only when ARGS name none).
# The site stays up, so that one command sees what the one before did;
#   scripts/kestrunectl.sh --down
# takes it down again.
set -euo pipefail
cd "$(dirname "$0")/.."

site=(bash tools/testsite.sh)
if [ "$(id -u)" -ne 0 ]; then
  echo "kestrunectl.sh: the demo site needs root (network namespaces)." >&2
  exit 2
fi
if [ "${1:-}" = --down ]; then
  "${site[@]}" down --prefix demo
  exit
fi

bash scripts/install-deps.sh >/dev/null
bash scripts/build.sh normal kestrunectl hubsim >/dev/null

if ! ip link show demo-pc0 >/dev/null 2>&1; then
  # The demo hubs: hub 2 has an old firmware, hub 3 two controllers on link, and the
  # controller of hub 4 has its programming jumper fitted.
  "${site[@]}" down --prefix demo >/dev/null 2>&1 || true
  "${site[@]}" up --prefix demo --pc host --hubs 4 \
    --hub 2 "--firmware 0.98" \
    --hub 3 "--controller 2 present --link 2 up" \
    --hub 4 "--controller 2 present --jumper 2 on" >/dev/null
  echo "kestrunectl.sh: demo site up (adapter demo-pc0, 198.18.0.1/24, hubs 198.18.0.11 to .14);" \
       "'scripts/kestrunectl.sh --down' takes it down." >&2
fi

args=("$@")
takes_adapter=false
for arg in "${args[@]}"; do
  case $arg in
  discover | show | set-ip | set-id | apply) takes_adapter=true ;;
  --adapter | --help | -h) takes_adapter=false; break ;;
  esac
done
if $takes_adapter; then
  args+=(--adapter demo-pc0)
fi
exec build/app/kestrunectl "${args[@]}"
