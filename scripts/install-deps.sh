#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, run and package.
# Idempotent and non-interactive: when everything is there it does nothing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  qt6-base-dev qt6-translations-l10n libgl-dev
  libgtest-dev libgmock-dev
  # the test site and the echo probe
  iproute2 iputils-ping procps libcap2-bin
  # running the window without a display, and its screenshots
  xvfb xauth x11-apps imagemagick xdotool openbox fonts-dejavu-core
  # the fonts of Debian's desktops, which the window's layout is checked with
  fonts-cantarell fonts-noto-core
  # the Debian package and its checks
  dpkg-dev file man-db desktop-file-utils appstream lintian adduser
  # the command-line tool: its arguments, its JSON, its completion
  libcli11-dev nlohmann-json3-dev bash-completion
  # the aids' checks on the test site
  nftables
  # the Windows build and its tests under Wine
  g++-mingw-w64-x86-64-posix wine64 wine fonts-wine googletest nsis zip
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
