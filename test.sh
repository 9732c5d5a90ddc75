#!/usr/bin/env bash
# Installs what is missing, builds Korvalo and runs every test: the whole
# suite built with AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz
# targets for a bounded time (fuzz/run.sh SECONDS runs them longer), then the
# release build, whose CTest summary ends the output.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test

jobs=$(nproc)

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVALO_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
# fontconfig keeps its caches for the life of the process, and SDL and libdbus
# keep a little to the end without a session bus; the leak checker is told so
# by library (tests/lsan.supp), and reports anything else of the game's.
suppressions=$PWD/tests/lsan.supp
(cd build-asan && ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
   LSAN_OPTIONS=suppressions=$suppressions \
   ctest --output-on-failure -j "$jobs")

fuzz/run.sh 30

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
cd build
ctest --output-on-failure -j "$jobs"
