#!/usr/bin/env bash
# What hostile peers can do to real windows of a network game, measured from
# outside on loopback: korvalo windows started with --no-port-mapping under
# an X server of their own (Xvfb), SDL's dummy audio driver, and peers written
# here that speak the protocol (bench/network_abuse.py). Prints, for each
# case, what was measured:
#   - 300 joins and leaves against a hosting and a joined window: both keep
#     running; the most top-level windows each had open at once;
#   - a steady move flood from a joined peer while the host's notice is open,
#     and 200 strangers each sending 2 MiB of line feeds: the host's VmRSS and
#     VmHWM before and after;
#   - how soon a stranger that pings without greeting is let go, and whether
#     a real window joins while 1,100 strangers connect;
#   - how many checked answers to wrong codes one address gets in 10 s;
#   - whether a host sending a joined window its options, close, Esc or 終了
#     changes its settings file or ends it; ESC and BEL bytes from peers on
#     either window's terminal;
#   - whether korvalo-script refuses `press 1e308 -1e308` with its line number.
# Every loop is bounded; nothing leaves the machine. About two minutes.
#
#   bench/network_abuse.sh [CASE...]   (CASE: joins flood strangers codes host script)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if ! grep -qs '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target korvalo korvalo-script >/dev/null
for tool in Xvfb xdotool python3; do
    command -v "$tool" >/dev/null || { echo "bench/network_abuse.sh: $tool is needed" >&2; exit 1; }
done

xvfb=
trap '[[ -n $xvfb ]] && { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; }; true' EXIT
. "$root/bench/xvfb.sh"
start_xvfb bench/network_abuse.sh 1280x1024x24
QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy \
    python3 -B "$root/bench/network_abuse.py" "$build" "$@"
