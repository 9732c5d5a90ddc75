#!/usr/bin/env bash
# Installs the Debian packages that Korvalo needs, and only those that are missing.
#   scripts/deps.sh        what building and playing need
#   scripts/deps.sh test   also what the test suite needs
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev libfontconfig-dev
  libsdl2-mixer-dev
  fonts-ipafont-mincho
)
if [[ "${1:-}" == test ]]; then
  packages+=(libgtest-dev xvfb xdotool x11-apps x11-utils imagemagick openbox clang libclang-rt-14-dev)
fi

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
