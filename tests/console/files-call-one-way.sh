#!/bin/bash
# The console's files call each other one way only: for every two files of console/, at
# most one of them calls a handler or step the other defines. A file that both calls into
# another and is called from it has parts that cannot be read, changed or tested apart.
# Usage: files-call-one-way.sh CONSOLE-FOLDER
set -euo pipefail
folder=${1:?the console folder}
declare -A defines
for file in "$folder"/*.cpp; do
    defines[$file]=$(grep -oP '^(?:[\w:<>&*, ]+[ &*])?CKestruneDlg::\K~?\w+(?=\()' "$file" |
                     grep -v '^~\|^CKestruneDlg$' | sort -u | tr '\n' ' ' || true)
done
# calls FROM TO: true when FROM names one of TO's functions as a call or a member pointer.
calls() {
    local from=$1 to=$2 name
    for name in ${defines[$to]}; do
        grep -v '^\s*//' "$from" | grep -qP "(?<![\w:])$name\(|CKestruneDlg::$name\b(?!\()" && return 0
    done
    return 1
}
failures=0
files=("$folder"/*.cpp)
for ((i = 0; i < ${#files[@]}; ++i)); do
    for ((j = i + 1; j < ${#files[@]}; ++j)); do
        a=${files[i]} b=${files[j]}
        if calls "$a" "$b" && calls "$b" "$a"; then
            echo "$(basename "$a") and $(basename "$b") call each other" >&2
            failures=$((failures + 1))
        fi
    done
done
exit $((failures > 0))
