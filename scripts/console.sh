#!/usr/bin/env bash
# Installs what is missing, builds, and opens the console. As root, it first builds a
# demo site of simulated hubs on this machine and removes it when the window closes.
# Without a display the window opens on a virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh normal

program=build/app/kestrune
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "console.sh: no display here; the window opens on a virtual display (Xvfb)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "$@"
fi
exec "$program" "$@"
