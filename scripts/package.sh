#!/usr/bin/env bash
# Makes the Debian package build/korvalo_<version>_<arch>.deb from a Release
# build: installs what is missing, builds, and packs with CPack, whose
# dependencies come from dpkg-shlibdeps.
#   scripts/package.sh
#   sudo dpkg -i build/korvalo_*.deb     # then: korvalo, or the desktop's menu
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"
cd build
cpack -G DEB
