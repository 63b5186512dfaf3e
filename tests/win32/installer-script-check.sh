#!/usr/bin/env bash
# Reads the installer's script for what an elevated installer must not do:
#   installer-script-check.sh KESTRUNE_NSI
# - start a program by a bare name: Windows would look in the installer's own folder
#   (Downloads) first, so every Exec, ExecWait, ExecShell and nsExec call must name its
#   program by a full path in the system's or the installation's folder;
# - offer a folder page: the installation stays in Program Files.
set -euo pipefail
readonly script=${1:?kestrune.nsi}
failures=0
fail() {
    echo "installer-script-check: $*" >&2
    failures=$((failures + 1))
}

readonly runs='^[[:space:]]*(Exec|ExecWait|ExecShell|ExecShellWait|nsExec::Exec[A-Za-z]*)[[:space:]]+(.*)$'
readonly full_path='^("|\$\\")?\$(SYSDIR|WINDIR|INSTDIR|PLUGINSDIR)\\'
found=0
line_number=0
while IFS= read -r line; do
    line_number=$((line_number + 1))
    [[ $line =~ $runs ]] || continue
    found=$((found + 1))
    command=${BASH_REMATCH[1]} rest=${BASH_REMATCH[2]}
    # nsExec's options come first; ExecShell's verb comes before the program.
    while [[ $rest =~ ^/[A-Za-z]+(=[^[:space:]]*)?[[:space:]]+(.*)$ ]]; do
        rest=${BASH_REMATCH[2]}
    done
    if [[ $command == ExecShell* ]]; then
        [[ $rest =~ ^(\"[^\"]*\"|\'[^\']*\'|[^[:space:]]+)[[:space:]]+(.*)$ ]] && rest=${BASH_REMATCH[2]}
    fi
    # The outer quote of NSIS's string, then the program as Windows reads it.
    quote=${rest:0:1}
    [[ $quote == \" || $quote == \' || $quote == \` ]] && rest=${rest:1}
    [[ $rest =~ $full_path ]] || fail "line $line_number runs a program by a bare name: $line"
done <"$script"
# The check itself must see the installer's firewall calls.
((found > 0)) || fail "no program start found in $script: the check no longer reads it"

grep -q 'MUI_PAGE_DIRECTORY' "$script" && fail "the installer offers a folder page"
((failures == 0)) || exit 1
echo "installer-script-check: $found program starts, each by its full path; no folder page"
