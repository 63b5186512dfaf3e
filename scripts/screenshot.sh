#!/usr/bin/env bash
# Takes a picture of the running console on a virtual display.
#   scripts/screenshot.sh OUTPUT.png [program arguments...]
# The program must be built (scripts/build.sh). Set SCREENSHOT_SETUP to a command that
# drives the window (xdotool) before the picture is taken; it gets the window id as $1.
set -euo pipefail
cd "$(dirname "$0")/.."

output=$1
shift
program=${KESTRUNE_PROGRAM:-build/app/kestrune}
display=:$((90 + RANDOM % 100))

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$program_pid" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$program" "$@" &
program_pid=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name 'Тамрил' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "screenshot.sh: the console window did not appear" >&2
  exit 1
fi
sleep 0.5
if [ -n "${SCREENSHOT_SETUP:-}" ]; then
  bash -c "$SCREENSHOT_SETUP" _ "$window"
  sleep 0.5
fi
xwd -silent -id "$window" | convert xwd:- "$output"
echo "screenshot.sh: wrote $output"
