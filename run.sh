#!/usr/bin/env bash
# Installs what is missing, builds Korvalo and starts the game in build/play,
# the folder that holds its sounds and its settings file.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build
mkdir -p build/play
cd build/play
exec ../korvalo "$@"
