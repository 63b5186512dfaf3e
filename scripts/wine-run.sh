#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly: the emulator CTest starts the Windows
# build's tests through. The prefix is WINEPREFIX when set, else KESTRUNE_WINE_PREFIX
# (the build tree's); a first run creates it. A crashing program exits (code 5) instead
# of waiting in the debugger.
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-${KESTRUNE_WINE_PREFIX:?no Wine prefix named}}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
mkdir -p "$WINEPREFIX"
exec wine "$@"
