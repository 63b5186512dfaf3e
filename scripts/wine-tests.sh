#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: scripts/wine-tests.sh [CTEST ARGS...]
# One wineserver is kept alive for the whole run (a process then starts in about 0.05 s
# instead of 1-3 s), Wine's background programs are started before the first test (they
# would otherwise inherit its output pipe and hold CTest), and the server is stopped at
# the end. The prefix lives in the build tree and is made on the first run (about 12 s).
# The site tests start a wineserver of their own inside their site's namespace.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build-windows
export WINEPREFIX=$PWD/$dir/wine/host
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true # one left by an interrupted run
if [[ ! -d $WINEPREFIX/drive_c/windows ]]; then
    wineboot -i >/dev/null 2>&1 || true
    [[ -d $WINEPREFIX/drive_c/windows ]] || { echo "wine-tests: no Wine prefix made in $WINEPREFIX" >&2; exit 1; }
    # wineboot's server lingers a few seconds; the persistent one starts after it.
    wineserver -w
fi
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit 0 >/dev/null 2>&1
ctest --test-dir "$dir" --output-on-failure "$@"
