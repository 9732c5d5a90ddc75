#!/usr/bin/env bash
# The window as a screen reader hears it, measured (Release build, Xvfb with
# openbox, a D-Bus session of its own with the accessibility bus):
#   - start-up, from exec to the first paint of the board, with the
#     desktop's accessibility off and on, runs of each taking turns, in wall
#     time and in the program's processor time (which a busy machine
#     disturbs less);
#   - from Enter (the click it gives, as the program's trace notes it) to the
#     played square's new name on the bus, the game's own pauses in between
#     (the blinks of the new stone, the turning of the others) and what is
#     left over them.
# Prints the median, minimum and maximum of each over the runs.
#   bench/screen_reader.sh [--runs N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=7
if [[ ${1:-} == --runs ]]; then runs=${2:?--runs takes a number}; fi
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "bench/screen_reader.sh: --runs takes a positive number" >&2; exit 2; }
if [[ -z ${KORVALO_OWN_SESSION:-} ]]; then
    export KORVALO_OWN_SESSION=1
    exec dbus-run-session -- "$0" "$@" 2> >(grep -v '^dbus-daemon' >&2)
fi

build=$root/build
launcher=$build/bench/launch
if ! grep -qs '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target korvalo korvalo-script >/dev/null
if [[ ! -x $launcher || $launcher -ot $root/bench/launch.cpp ]]; then
    mkdir -p "$build/bench"
    c++ -std=c++20 -O2 -Wall -Wextra -o "$launcher" "$root/bench/launch.cpp"
fi

work=$(mktemp -d)
game= wm= xvfb=
. "$root/tests/e2e/window_support.sh"
trap stop_window_test EXIT
start_xvfb
start_window_manager
play=$work/play events=$work/trace
mkdir "$play"
cp "$build"/play/*.wav "$play/" 2>/dev/null || true
launch() {
    rm -f "$play/Korvalo.ini"
    : >"$events"
    seen=0
    (cd "$play" && KORVALO_TRACE="$events" exec "$launcher" "$build/korvalo" 2>"$work/stderr") &
    game=$!
    await_event paint
}
# Milliseconds between the first events named $1 and $2 of the trace.
between() { awk -v a="$1" -v b="$2" '$1 == a && !x { x = $2 } $1 == b && !y { y = $2 } END { printf "%.1f\n", (y - x) / 1e6 }' "$events"; }
stats() { sort -n | awk '{ v[NR] = $1 } END { printf "%8.1f %8.1f %8.1f\n", v[int((NR + 1) / 2)], v[1], v[NR] }'; }

replied=$(position $'menu JYUNBAN_1\nclick 4 3')
: >"$work/off" >"$work/on" >"$work/off-cpu" >"$work/on-cpu" >"$work/news" >"$work/pauses" >"$work/over"
# Start-ups first, before any screen reader has asked anything, the two kinds
# taking turns. (The first of each is not counted: it fills the caches.)
for ((run = 0; run <= runs; run++)); do
    for mode in off on; do
        accessibility "$([[ $mode == on ]] && echo true || echo false)"
        launch
        if ((run > 0)); then
            between exec paint >>"$work/$mode"
            awk '$1 == "paint" { printf "%.1f\n", $3 / 1e6; exit }' "$events" >>"$work/$mode-cpu"
        fi
        end_game
    done
done
accessibility true
for ((run = 1; run <= runs; run++)); do
    launch
    await_keyboard
    xdotool key F10
    await_menus "$game" 1
    xdotool key Down Right
    await_menus "$game" 2
    xdotool key Right Return
    await_box "$game"
    xdotool key Return
    await_event idle
    read -r _ news < <(/usr/bin/python3 "$root/tests/e2e/screen_reader.py" "$game" play d3 "d3 黒" "$replied" d 3 Return)
    awk -v news="$news" '
        $1 == "press" && !press { press = $2 }
        $1 == "wait" && press && $5 <= news { paused += $5 - $2 }
        END { printf "%.1f %.1f %.1f\n", (news - press) / 1e6, paused / 1e6, (news - press - paused) / 1e6 }' \
        "$events" >"$work/one"
    read -r whole paused over <"$work/one"
    echo "$whole" >>"$work/news"; echo "$paused" >>"$work/pauses"; echo "$over" >>"$work/over"
    end_game
done
printf '%-46s %8s %8s %8s\n' "ms over $runs runs" median min max
printf '%-46s %s\n' "start-up, accessibility off" "$(stats <"$work/off")"
printf '%-46s %s\n' "start-up, accessibility on" "$(stats <"$work/on")"
printf '%-46s %s\n' "start-up processor time, accessibility off" "$(stats <"$work/off-cpu")"
printf '%-46s %s\n' "start-up processor time, accessibility on" "$(stats <"$work/on-cpu")"
printf '%-46s %s\n' "Enter to the square's new name on the bus" "$(stats <"$work/news")"
printf '%-46s %s\n' "  of which the game's own pauses" "$(stats <"$work/pauses")"
printf '%-46s %s\n' "  the rest (goal: at most 50)" "$(stats <"$work/over")"
