#!/usr/bin/env bash
# Installs the Debian packages that Korvalo needs, and only those that are missing.
#   scripts/deps.sh          what building and playing need
#   scripts/deps.sh package  also what making the Debian package needs
#   scripts/deps.sh test     also what the test suite needs (the package included)
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins qt6-wayland libgl-dev libfontconfig-dev
  libsdl2-mixer-dev libminiupnpc-dev libnatpmp-dev
  fonts-ipafont-mincho qt6-translations-l10n
)
if [[ "${1:-}" == package || "${1:-}" == test ]]; then
  packages+=(dpkg-dev file)
fi
if [[ "${1:-}" == test ]]; then
  packages+=(libgtest-dev xvfb xdotool x11-apps x11-utils imagemagick openbox clang libclang-rt-14-dev
             lintian desktop-file-utils xdg-utils appstream man-db weston librsvg2-bin
             avahi-daemon dbus-daemon iproute2 at-spi2-core python3-pyatspi libglib2.0-bin
             miniupnpd-nftables miniupnpc natpmpc nftables)
fi

# miniupnpd-nftables is the router daemon alone, which the port mapping test
# starts in its own namespaces: it asks nothing of debconf and installs no
# service (the service and its questions are in the package miniupnpd, which
# it does not bring, not even as a recommendation).

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
((${#missing[@]} == 0)) && exit 0

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
