#!/usr/bin/env bash
# Installs what is missing, builds, and opens the console. As root it first builds a demo
# site of four simulated hubs on this machine (adapter "demo-pc0", 198.18.0.1/24) and
# removes it again when the window closes. Without a display the window opens on a
# virtual one (Xvfb). Arguments go to the program (for example /DEBUG).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh normal

program=build/app/kestrune
run=("$program" "$@")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "console.sh: no display here; the window opens on a virtual display (Xvfb)."
  run=(xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}")
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "console.sh: not root, so no demo site: the console works with this machine's own adapters."
  exec "${run[@]}"
fi

# The demo hubs: hub 2 has an old firmware, hub 3 two controllers on link, and the
# controller of hub 4 has its programming jumper fitted.
site=(bash tools/testsite.sh)
"${site[@]}" down --prefix demo >/dev/null 2>&1 || true
trap '"${site[@]}" down --prefix demo >/dev/null 2>&1 || true' EXIT
"${site[@]}" up --prefix demo --pc host --hubs 4 \
  --hub 2 "--firmware 0.98" \
  --hub 3 "--controller 2 present --link 2 up" \
  --hub 4 "--controller 2 present --jumper 2 on"
echo "console.sh: demo site up; choose the adapter \"demo-pc0\" (198.18.0.1) in the console."
"${run[@]}"
