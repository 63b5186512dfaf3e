#!/usr/bin/env bash
# Installs (asking for a folder outside Program Files) and uninstalls the Windows installer
# silently under Wine, in a prefix of its own, and checks what each leaves:
#   installer-test.sh SETUP_EXE PREFIX
# Wine has no Windows Firewall: the firewall rule's netsh calls run and change nothing,
# so only a real Windows shows the rule (wf.msc, "Kestrune hub discovery (UDP 30303)").
set -euo pipefail
readonly setup=${1:?installer} prefix=${2:?prefix}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY
readonly folder="$WINEPREFIX/drive_c/Program Files/Kestrune"
readonly menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kestrune"
readonly key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune'

fail() {
    echo "installer-test: $*" >&2
    exit 1
}

mkdir -p "$WINEPREFIX"
if [[ ! -f $WINEPREFIX/.kestrune-headless ]]; then
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -k 2>/dev/null || true
    touch "$WINEPREFIX/.kestrune-headless"
fi
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit 0 >/dev/null 2>&1 </dev/null

# A folder outside Program Files would be writable by every user: asked for one, the
# installer installs into Program Files all the same.
readonly elsewhere="$WINEPREFIX/drive_c/Kestrune"
rm -rf "$elsewhere"
timeout 60 wine "$setup" /S '/D=C:\Kestrune' </dev/null
[[ ! -e $elsewhere ]] || fail "installed outside Program Files: $(ls "$elsewhere")"
[[ -f $folder/kestrune.exe ]] || fail "kestrune.exe is not in Program Files"
[[ -f $folder/uninstall.exe ]] || fail "no uninstaller"
[[ -f $menu/Kestrune.lnk ]] || fail "no Start-menu shortcut"
wine reg query "$key" /v UninstallString 2>/dev/null | grep -qF 'uninstall.exe' ||
    fail "the uninstaller is not registered"

# The uninstaller runs on from a copy of itself in the temporary folder.
timeout 60 wine "C:\\Program Files\\Kestrune\\uninstall.exe" /S </dev/null
for _ in $(seq 100); do
    [[ ! -e $folder && ! -e $menu ]] && break
    sleep 0.1
done
[[ ! -e $folder ]] || fail "Program Files\\Kestrune is left: $(ls "$folder")"
[[ ! -e $menu ]] || fail "the Start-menu folder is left"
if wine reg query "$key" >/dev/null 2>&1; then
    fail "the uninstall entry is left"
fi
echo "installer-test: installed and uninstalled cleanly"
