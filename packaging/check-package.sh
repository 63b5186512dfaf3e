#!/usr/bin/env bash
# Builds the Debian package from a build tree and takes it apart again:
#   packaging/check-package.sh [BUILD_DIR]   (default: build; run after the build)
# Checks the file list against packaging/package-files.txt, the owners and modes (no
# setuid anywhere), the control fields, the postinst (as root it also runs it on the
# unpacked package, which creates the group kestrune here, and reads the capabilities
# back: the echo helper has cap_net_raw, the neighbour helper is root:kestrune 0750 with
# cap_net_admin, and no other file has any), that the helpers link nothing at run time,
# Qt above all,
# the desktop entry, the AppStream data, the icons, the manual pages, the command-line
# tool's completion, the copyright file and the changelog, and lintian (no error, no
# warning; each remaining tag is printed). Exits 77 when a tool it needs is missing.
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$source_dir/build}" && pwd)
out=$build/package-check

failures=0
fail() {
    echo "check-package: FAIL: $*" >&2
    failures=$((failures + 1))
}

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli file man readelf \
    lintian; do
    if ! command -v "$tool" >/dev/null; then
        echo "check-package: $tool is missing (scripts/install-deps.sh installs it); not checked"
        exit 77
    fi
done

rm -rf "$out"
mkdir -p "$out"
if ! cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log" >&2
    echo "check-package: FAIL: cpack could not build the package" >&2
    exit 1
fi
debs=("$out"/*.deb)
if [[ ${#debs[@]} -ne 1 || ! -f ${debs[0]} ]]; then
    echo "check-package: FAIL: expected one .deb in $out, found: ${debs[*]}" >&2
    exit 1
fi
deb=${debs[0]}
echo "check-package: built ${deb#"$build"/}"

# The files, and nothing else (directories aside).
dpkg-deb -c "$deb" >"$out/listing"
awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' "$out/listing" | sort >"$out/files"
if ! diff -u <(grep -v '^#' "$source_dir/packaging/package-files.txt" | sort) "$out/files"; then
    fail "the package's files differ from packaging/package-files.txt (- expected, + packaged)"
fi
while read -r mode owner _ _ _ path _; do
    [[ $owner == root/root ]] || fail "$path is owned by $owner"
    [[ $mode != *[sS]* ]] || fail "$path has a set-id bit: $mode"
    case $path in
    ./usr/bin/kestrune | ./usr/bin/kestrunectl) [[ $mode == -rwxr-xr-x ]] || fail "$path's mode is $mode" ;;
    ./usr/libexec/kestrune/kestrune-echo) [[ $mode == -rwxr-xr-x ]] || fail "the echo helper's mode is $mode" ;;
    # The postinst narrows it to the group once the group exists.
    ./usr/libexec/kestrune/kestrune-neigh) [[ $mode == -rwxr-xr-x ]] || fail "the neighbour helper's mode is $mode" ;;
    ./*/) [[ $mode == drwxr-xr-x ]] || fail "$path has mode $mode" ;;
    *) [[ $mode == -rw-r--r-- ]] || fail "$path has mode $mode" ;;
    esac
done <"$out/listing"

# Control fields.
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[[ $(dpkg-deb -f "$deb" Package) == kestrune ]] || fail "Package is not kestrune"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "Version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6gui6 libqt6core6 adduser libcap2-bin qt6-translations-l10n; do
    [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
done

# The postinst gives the echo helper its capability and the neighbour helper its group,
# mode and capability, and nothing else any; never a set-id bit.
helper=/usr/libexec/kestrune/kestrune-echo
neigh_helper=/usr/libexec/kestrune/kestrune-neigh
dpkg-deb -e "$deb" "$out/control"
postinst=$out/control/postinst
if [[ ! -x $postinst ]]; then
    fail "no executable postinst"
else
    sh -n "$postinst" || fail "the postinst is not valid sh"
    grep -q "^helper=\"$helper\"\$" "$postinst" || fail "the postinst names another helper"
    grep -q 'setcap cap_net_raw+ep "\$helper"' "$postinst" || fail "the postinst sets no cap_net_raw"
    grep -q "^neigh_helper=\"$neigh_helper\"\$" "$postinst" || fail "the postinst names another neighbour helper"
    grep -q 'setcap cap_net_admin+ep "\$neigh_helper"' "$postinst" || fail "the postinst sets no cap_net_admin"
    grep -q 'addgroup --quiet --system kestrune' "$postinst" || fail "the postinst creates no group kestrune"
    grep -q 'chown root:kestrune "\$neigh_helper"' "$postinst" || fail "the postinst gives the neighbour helper no group"
    grep -q 'chmod 0750 "\$neigh_helper"' "$postinst" || fail "the postinst leaves the neighbour helper open to all"
    [[ $(grep -c 'setcap ' "$postinst") -eq 2 ]] || fail "the postinst runs setcap other than once per helper"
    ! grep -q '/usr/bin/' "$postinst" || fail "the postinst touches a file in /usr/bin"
    ! grep -Eq '\bchmod\b.*(\+[a-z]*s|\b[2467][0-7]{3}\b)' "$postinst" ||
        fail "the postinst sets a set-id bit"
fi

# The helpers hold a capability, so they load nothing at run time: no interpreter, no
# shared library, and no Qt in any case.
dpkg-deb -x "$deb" "$out/root"
root=$out/root
for capable in "$helper" "$neigh_helper"; do
    dynamic=$(readelf -d "$root$capable" 2>&1)
    headers=$(readelf -l "$root$capable" 2>&1)
    [[ $dynamic != *"(NEEDED)"* && $headers != *INTERP* ]] ||
        fail "$capable is not linked statically: $(grep -E 'NEEDED|interpreter' <<<"$dynamic$headers")"
    [[ ${dynamic,,} != *libqt* ]] || fail "$capable links Qt"
done

if [[ -x $postinst && $EUID -eq 0 ]] && command -v getcap >/dev/null; then
    # The postinst itself, run on the unpacked package: afterwards the helpers, and no other
    # file, have a capability, the neighbour helper only for the group kestrune, and
    # nothing that has one links Qt.
    sed "s|/usr/|$root/usr/|g" "$postinst" >"$out/postinst-copy"
    if sh "$out/postinst-copy" configure >"$out/postinst.log" 2>&1; then
        capabilities=$(getcap -r "$root" 2>/dev/null)
        expected=$(printf '%s\n' "$root$helper cap_net_raw=ep" "$root$neigh_helper cap_net_admin=ep")
        [[ $(sort <<<"$capabilities") == "$(sort <<<"$expected")" ]] ||
            fail "after the postinst the capabilities are '$capabilities', not cap_net_raw=ep on the echo helper and cap_net_admin=ep on the neighbour helper alone: $(cat "$out/postinst.log")"
        ownership=$(stat -c '%U:%G %a' "$root$neigh_helper")
        [[ $ownership == "root:kestrune 750" ]] ||
            fail "after the postinst the neighbour helper is $ownership, not root:kestrune 750"
        while read -r file _; do
            [[ -z $file || $(readelf -d "$file" 2>/dev/null) != *[Ll]ib[Qq]t* ]] ||
                fail "$file links Qt and holds a capability"
        done <<<"$capabilities"
    else
        fail "the postinst failed: $(cat "$out/postinst.log")"
    fi
fi

# What the desktop reads.
desktop=$root/usr/share/applications/kestrune.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[[ -x $root/usr/bin/${exec_line%% *} ]] || fail "the desktop entry starts '$exec_line', not in /usr/bin"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 24 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
    file -b "$png" | grep -q "^PNG image data, $size x $size," ||
        fail "icon $size: $(file -b "$png" 2>&1)"
done
# validate-tree also matches the AppStream data with the desktop entry and the icons.
appstreamcli validate-tree --no-net --strict "$root" >"$out/appstream.log" 2>&1 ||
    fail "appstreamcli rejects the installed tree: $(cat "$out/appstream.log")"
for metainfo in "$root"/usr/share/metainfo/*.metainfo.xml; do
    grep -q "<launchable type=\"desktop-id\">kestrune.desktop</launchable>" "$metainfo" ||
        fail "the AppStream data does not launch kestrune.desktop"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream data lacks release $version"
done
for page in kestrune kestrunectl; do
    man_page=$root/usr/share/man/man1/$page.1.gz
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man_page" 2>&1 >/dev/null) ||
        fail "man cannot show the manual page $page(1)"
    [[ -z $warnings ]] || fail "the manual page $page(1) has warnings: $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$man_page" 2>/dev/null | grep -q "Kestrune $version" ||
        fail "the manual page $page(1) does not carry version $version"
done

# The command-line tool links no Qt, answers, and its completion is valid bash that
# completes its commands.
[[ $(readelf -d "$root/usr/bin/kestrunectl" 2>&1) != *[Ll]ib[Qq]t* ]] || fail "kestrunectl links Qt"
"$root/usr/bin/kestrunectl" --version | grep -qx "kestrunectl $version" ||
    fail "kestrunectl --version does not say $version"
completion=$root/usr/share/bash-completion/completions/kestrunectl
bash -n "$completion" || fail "the completion is not valid bash"
completed=$(bash -c '_init_completion() { words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; cur=${words[cword]}; prev=${words[cword-1]}; }
    source "$1"; COMP_WORDS=(kestrunectl se); COMP_CWORD=1; _kestrunectl; echo "${COMPREPLY[*]}"' _ "$completion")
[[ $completed == "set-ip set-id" ]] || fail "the completion of 'kestrunectl se' is '$completed'"

# Debian's own files: the licences, machine-readable, and the changelog of this version.
copyright=$root/usr/share/doc/kestrune/copyright
head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not machine-readable"
grep -q '^License: Apache-2.0$' "$copyright" || fail "the copyright file names no Apache-2.0"
grep -q 'LGPL-3 or GPL-2' "$copyright" || fail "the copyright file does not name Qt's licence"
changelog=$root/usr/share/doc/kestrune/changelog.gz
[[ $(gzip -dc "$changelog" 2>/dev/null | head -1) == "kestrune ($version) "* ]] ||
    fail "the changelog does not start with version $version"

# lintian: any error or warning fails; what remains (information, pedantry, and the tags
# the package's overrides explain, with their reasons) is shown. Shown overrides count
# towards the exit status, so the verdict comes from a run without them.
lintian_options=(--display-info --display-experimental --pedantic --tag-display-limit 0)
if ! lintian --fail-on error,warning "${lintian_options[@]}" "$deb" >"$out/lintian.log" 2>&1; then
    fail "lintian: $(grep -E '^[EW]:' "$out/lintian.log" || cat "$out/lintian.log")"
fi
lintian "${lintian_options[@]}" --show-overrides "$deb" 2>&1 | grep -v '^running with root' |
    sed 's/^/check-package: lintian: /' || true

if ((failures > 0)); then
    echo "check-package: $failures check(s) failed" >&2
    exit 1
fi
echo "check-package: the package and its contents are right"
