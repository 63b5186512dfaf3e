#!/usr/bin/env bash
# Runs a Windows program under Wine with no display: headless-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is made once and told to use Wine's null graphics driver, so that windows
# are created, sized and driven as ever while nothing needs an X server.
set -euo pipefail
readonly here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${1:?prefix}
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
if [[ ! -f $WINEPREFIX/.kestrune-headless ]]; then
    mkdir -p "$WINEPREFIX"
    env -u DISPLAY wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    # The prefix's first programs (explorer among them) started with no driver: they end,
    # and the next start reads the setting.
    wineserver -k 2>/dev/null || true
    touch "$WINEPREFIX/.kestrune-headless"
fi
exec env -u DISPLAY "$here/../../scripts/wine-run.sh" "$@"
