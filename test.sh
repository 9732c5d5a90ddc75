#!/usr/bin/env bash
# Installs what is missing, builds Korvalo and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
cd build
ctest --output-on-failure -j2
