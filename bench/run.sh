#!/usr/bin/env bash
# Benchmarks of the real program in a real X window (Xvfb), with SDL's dummy
# audio driver. Prints a table of figures, each the median of several runs
# with its minimum and maximum, and the target next to it:
#   - start-up: from exec to the first paint of the board;
#   - peak resident memory (VmHWM) 3 s after start-up;
#   - both again beside a bare Qt window with the same menu bar and size
#     (bench/bare_window.cpp), started in the same runs, as ratios to it, at
#     100 % and at 200 % (QT_SCALE_FACTOR=2);
#   - the cost of waiting: CPU seconds of the process over wall seconds while
#     the computer plays black's and blue's opening moves (1_PLAY → 白 chosen
#     through the menu with the keyboard);
#   - pacing: the real length of every pause inside the running program, by
#     kind, from those runs and from one whole game played to its count-out.
#
#   bench/run.sh [--runs N] [--no-game] [--bgm FILE]
#
# --bgm plays with FILE as BGM.wav instead of the generated music, to see
# what a player's own (long) music costs at start-up.
#
# The game runs in a temporary copy of build/play, so the real folder's
# settings file is never touched; one start before the measured ones is not
# counted. The times come from the program's own trace (KORVALO_TRACE) and
# from bench/launch.cpp, which notes the time just before it execs the
# program, both on CLOCK_MONOTONIC; CPU time and memory are read from /proc.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

runs=7
whole_game=1
bgm=
while (($#)); do
    case $1 in
    --runs) runs=${2:?--runs takes a number}; shift 2 ;;
    --no-game) whole_game=0; shift ;;
    --bgm) bgm=${2:?--bgm takes a file}; shift 2 ;;
    *) echo "usage: bench/run.sh [--runs N] [--no-game] [--bgm FILE]" >&2; exit 2 ;;
    esac
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "bench/run.sh: --runs takes a positive number" >&2; exit 2; }

tmp=$(mktemp -d)
game= xvfb= tailer= bus=
stop_game() {
    if [[ -n $tailer ]]; then kill "$tailer" 2>/dev/null || true; wait "$tailer" 2>/dev/null || true; fi
    if [[ -n $game ]]; then kill "$game" 2>/dev/null || true; wait "$game" 2>/dev/null || true; fi
    game= tailer=
}
cleanup() {
    stop_game
    if [[ -n $xvfb ]]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
    if [[ -n $bus ]]; then kill "$bus" 2>/dev/null || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "bench/run.sh: $*" >&2; exit 1; }

# ---- Build (Release) when needed, and the launcher.
build=$root/build
launcher=$build/bench/launch
bare=$build/korvalo_bare_window
build_all() {
    # (Run as a condition, so every step's failure is passed on by hand.)
    if ! grep -qs '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release || return 1
    fi
    cmake --build "$build" -j "$(nproc)" || return 1
    if [[ ! -x $launcher || $launcher -ot $root/bench/launch.cpp ]]; then
        mkdir -p "$build/bench" &&
            c++ -std=c++20 -O2 -Wall -Wextra -o "$launcher" "$root/bench/launch.cpp" || return 1
    fi
}
if ! build_all >"$tmp/build.log" 2>&1; then
    cat "$tmp/build.log" >&2
    fail "the build failed"
fi

# ---- An X server of our own on a free display.
n=90
while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 2048x1536x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n" SDL_AUDIODRIVER=dummy
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start on :$n"
# A session bus of our own, as every desktop session has one: without it Qt
# and SDL would each try to start one at every start-up.
bus_note="no session bus"
if command -v dbus-daemon >/dev/null; then
    { read -r DBUS_SESSION_BUS_ADDRESS && read -r bus; } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS
    bus_note="a session bus of its own"
fi

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# ---- One run of the program, its trace read as it is written.
# Every run plays in the same copy of build/play, its settings file included.
play=$tmp/play
mkdir "$play"
cp -R "$build/play/." "$play/"
if [[ -n $bgm ]]; then cp "$bgm" "$play/BGM.wav" || fail "cannot copy $bgm"; fi
# Starts the game (or, given, another program, with QT_SCALE_FACTOR as
# given); the trace's lines arrive on fd $events.
start_game() {
    local program=${1:-$build/korvalo} scale=${2:-1}
    trace=$(mktemp "$tmp/trace.XXXXXX")
    (cd "$play" && QT_SCALE_FACTOR=$scale KORVALO_TRACE=$trace exec "$launcher" "$program" >/dev/null 2>&1) &
    game=$!
    exec {events}< <(exec tail -n +1 -f "$trace")
    tailer=$!
}
end_game() {
    stop_game
    exec {events}<&-
    # The next start is measured only once the machine has settled after this
    # program's end: started at once, the bare window took about a third
    # longer after the game had just ended, which flattered the game's ratios.
    sleep 1
}

# Reads trace events until one named $1 arrives, within $2 seconds; its
# fields are then in ev. Message boxes met on the way are answered with
# Return (OK, or Yes for a question).
await() {
    local name=$1 deadline=$((SECONDS + $2))
    while ((SECONDS < deadline)); do
        IFS=' ' read -r -t 1 -u "$events" -a ev || { kill -0 "$game" 2>/dev/null || return 1; continue; }
        if [[ ${ev[0]} == box ]]; then
            sleep 0.3
            xdotool key Return
        fi
        [[ ${ev[0]} == "$name" ]] && return 0
    done
    return 1
}

# Waits until the window takes input again: a handler has ended and nothing
# more happened for half a second. Boxes are answered on the way.
await_quiet() {
    local deadline=$((SECONDS + $1)) idle=0
    while ((SECONDS < deadline)); do
        if IFS=' ' read -r -t 0.5 -u "$events" -a ev; then
            idle=0
            [[ ${ev[0]} == idle ]] && idle=1
            if [[ ${ev[0]} == box ]]; then
                sleep 0.3
                xdotool key Return
            fi
        else
            kill -0 "$game" 2>/dev/null || return 1
            ((idle)) && return 0
        fi
    done
    return 1
}

# 対局 on the menu bar, then 対局 → 1_PLAY → 白 with the keyboard, all but
# the last key.
open_menu_at_white() {
    local win
    win=$(xdotool search --onlyvisible --name '^Korvalo$' | head -1)
    [[ -n $win ]] || return 1
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xdotool mousemove $((X + 20)) $((Y + 10)) click 1
    sleep 0.5
    for key in Down Right Right Down Down; do xdotool key "$key"; sleep 0.2; done
}

startup=() memory=() cost=() cost_inside=()
bare_startup=() bare_memory=() startup2=() memory2=() bare_startup2=() bare_memory2=()
waits=$tmp/waits
: >"$waits"

# One start of each program at each scale that is not measured: it brings
# the files into the page cache and writes the settings file where there was
# none, as any but the very first start finds them.
for scale in 1 2; do
    for program in "$build/korvalo" "$bare"; do
        start_game "$program" "$scale"
        await paint 30 || fail "warm-up: ${program##*/} was never painted at scale $scale"
        end_game
    done
done

# Starts the program at the scale, waits for its first paint, and leaves its
# start-up (microseconds) and its peak memory 3 s later (KiB) in
# measured_startup and measured_memory. The program keeps running.
measure() {
    start_game "$1" "$2"
    await paint 30 || fail "run $run: ${1##*/} was never painted at scale $2"
    local exec_ns
    exec_ns=$(awk '$1 == "exec" { print $2; exit }' "$trace")
    measured_startup=$(( (ev[1] - exec_ns) / 1000 ))
    sleep 3
    measured_memory=$(awk '/^VmHWM:/ { print $2 }' "/proc/$game/status")
}

for run in $(seq "$runs"); do
    # The bare window and the game take turns, so that a change in the
    # machine's load falls on both alike.
    measure "$bare" 1
    bare_startup+=("$measured_startup") bare_memory+=("$measured_memory")
    end_game
    measure "$bare" 2
    bare_startup2+=("$measured_startup") bare_memory2+=("$measured_memory")
    end_game
    measure "$build/korvalo" 2
    startup2+=("$measured_startup") memory2+=("$measured_memory")
    end_game

    measure "$build/korvalo" 1
    startup+=("$measured_startup") memory+=("$measured_memory")

    open_menu_at_white || fail "run $run: no window to drive"
    cpu0=$(cpu_ticks "$game") wall0=$EPOCHREALTIME
    xdotool key Return
    await command 10 || fail "run $run: 1_PLAY → 白 was not chosen"
    command_ev=("${ev[@]}")
    await idle 120 || fail "run $run: the computer turns did not end"
    cpu1=$(cpu_ticks "$game") wall1=$EPOCHREALTIME
    cost+=("$(awk -v c="$((cpu1 - cpu0))" -v t="$ticks_per_second" -v w0="$wall0" -v w1="$wall1" \
        'BEGIN { printf "%.5f", c / t / (w1 - w0) }')")
    cost_inside+=("$(awk -v t0="${command_ev[1]}" -v c0="${command_ev[2]}" -v t1="${ev[1]}" -v c1="${ev[2]}" \
        'BEGIN { printf "%.5f", (c1 - c0) / (t1 - t0) }')")
    awk '$1 == "wait" { print $4, ($5 - $2) / 1e9 }' "$trace" >>"$waits"
    end_game
done

# ---- One whole game, for the pauses of the count-out (0.2 s) and many more
# of the others. The scenario driver plays the same game without waiting and
# gives white's position before each of its moves; white takes its first
# legal square, in the computer's scan order.
first_legal_square() {
    awk -v me=3 '
        $1 == "row" { for (c = 1; c <= 9; c++) b[c, $2] = substr($3, c, 1) + 0 }
        END {
            for (c = 1; c <= 9; c++) for (r = 1; r <= 9; r++) {
                if (b[c, r] != 0) continue
                for (dc = -1; dc <= 1; dc++) for (dr = -1; dr <= 1; dr++) {
                    if (dc == 0 && dr == 0) continue
                    x = c + dc; y = r + dr; k = 0
                    while (x >= 1 && x <= 9 && y >= 1 && y <= 9 && b[x, y] != 0 && b[x, y] != me) {
                        x += dc; y += dr; k++
                    }
                    if (k > 0 && x >= 1 && x <= 9 && y >= 1 && y <= 9 && b[x, y] == me) { print c, r; exit }
                }
            }
        }'
}

game_note=""
if ((whole_game)); then
    mkdir "$tmp/driver"
    script="menu JYUNBAN_3"
    moves=()
    for _ in $(seq 81); do
        state=$(printf '%s\nstate\n' "$script" |
            "$build/korvalo-script" --dir "$tmp/driver" --no-sound-library 2>/dev/null | grep -E '^(state|row) ')
        [[ $state =~ turn=3\  ]] || break
        square=$(first_legal_square <<<"$state")
        [[ -n $square ]] || break
        moves+=("$square")
        script+=$'\n'"click $square"
    done
    [[ $state =~ turn=9\  ]] || fail "the scenario driver did not play the game to its end"

    start_game
    await paint 30 || fail "whole game: the board was never painted"
    read -r ox oy <<<"${ev[3]} ${ev[4]}"
    sleep 1
    open_menu_at_white || fail "whole game: no window to drive"
    xdotool key Return
    await_quiet 120 || fail "whole game: the opening moves did not end"
    for square in "${moves[@]}"; do
        read -r col row <<<"$square"
        xdotool mousemove $((ox + (400 + 630 * col + 315) / 15)) $((oy + (100 + 630 * row + 315) / 15)) click 1
        await_quiet 300 || fail "whole game: the game stopped after white's move at $col,$row"
    done
    awk '$1 == "wait" { print $4, ($5 - $2) / 1e9 }' "$trace" >>"$waits"
    grep -q '^wait [0-9]* [0-9]* 0.200 ' "$trace" || fail "whole game: the count-out never ran"
    game_note=" and one whole game of ${#moves[@]} moves by white"
    end_game
fi

# ---- The table.
# Median, minimum and maximum of the numbers given on one line.
stats() {
    tr ' ' '\n' | sort -g |
        awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m, v[1], v[NR] }'
}
row() {  # label, median, min, max, unit, target, pass
    printf '%-34s %10s %10s %10s  %-12s %s\n' "$1" "$2" "$3" "$4" "$6" "$([[ $7 == 1 ]] && echo PASS || echo MISS)"
}
cpus=$(nproc)
load=$(cut -d' ' -f1-3 /proc/loadavg)
echo "Korvalo benchmarks: $runs run(s)$game_note; Xvfb :$n, $bus_note, SDL_AUDIODRIVER=dummy; $cpus cores, load $load"
printf '%-34s %10s %10s %10s  %-12s %s\n' "figure" "median" "min" "max" "target" "result"

read -r med lo hi < <(echo "${startup[*]}" | stats)
row "start-up to first paint (ms)" "$(awk -v v="$med" 'BEGIN { printf "%.1f", v / 1000 }')" \
    "$(awk -v v="$lo" 'BEGIN { printf "%.1f", v / 1000 }')" "$(awk -v v="$hi" 'BEGIN { printf "%.1f", v / 1000 }')" \
    ms "< 80 ms" "$((med < 80000))"

read -r med lo hi < <(echo "${memory[*]}" | stats)
mib() { awk -v v="$1" 'BEGIN { printf "%.1f", v / 1024 }'; }
row "peak memory 3 s after (MiB)" "$(mib "$med")" "$(mib "$lo")" "$(mib "$hi")" MiB "< 45 MiB" "$((med < 45 * 1024))"

# The game beside the bare window: the medians of each, and the game's over
# the bare window's, with the target for that ratio ("-": none).
compare() {  # label, game's figures, bare window's figures, unit (ms or MiB), target
    local -n ours=$2 theirs=$3
    local our_med their_med _
    read -r our_med _ _ < <(echo "${ours[*]}" | stats)
    read -r their_med _ _ < <(echo "${theirs[*]}" | stats)
    awk -v label="$1" -v a="$our_med" -v b="$their_med" -v unit="$4" -v target="$5" 'BEGIN {
        scale = unit == "ms" ? 1000 : 1024; ratio = a / b
        printf "%-34s %10.1f %10.1f %9.2fx  %-12s %s\n", label, a / scale, b / scale, ratio,
            target == "-" ? "" : "<= " target "x", target == "-" ? "" : (ratio <= target ? "PASS" : "MISS")
    }'
}
echo
printf '%-34s %10s %10s %10s  %-12s %s\n' "beside a bare Qt window (medians)" "Korvalo" "bare" "ratio" "target" "result"
compare "start-up at 100 % (ms)" startup bare_startup ms 1.25
compare "start-up at 200 % (ms)" startup2 bare_startup2 ms 1.35
compare "peak memory at 100 % (MiB)" memory bare_memory MiB 1.3
compare "peak memory at 200 % (MiB)" memory2 bare_memory2 MiB -
echo

read -r med lo hi < <(echo "${cost[*]}" | stats)
row "waiting cost, CPU/wall (/proc)" "$med" "$lo" "$hi" "" "< 0.02" "$(awk -v v="$med" 'BEGIN { print (v < 0.02) }')"
read -r med lo hi < <(echo "${cost_inside[*]}" | stats)
row "  the same, by the program's clocks" "$med" "$lo" "$hi" "" "< 0.02" "$(awk -v v="$med" 'BEGIN { print (v < 0.02) }')"

echo
printf '%-10s %6s %12s %12s %12s %9s  %-26s %s\n' "pause (s)" "count" "median over" "worst over" "least over" "> 5 ms" \
    "target" "result"
for kind in 0.050 0.100 0.200 0.300 0.500; do
    awk -v k="$kind" '$1 == k { print ($2 - k) * 1000 }' "$waits" | sort -g >"$tmp/over"
    count=$(wc -l <"$tmp/over")
    if ((count == 0)); then
        printf '%-10s %6s %12s %12s %12s %9s  %-26s %s\n' "$kind" 0 - - - - "<= 5 ms over, never short" "not measured"
        continue
    fi
    awk -v k="$kind" -v n="$count" '
        { v[NR] = $1; if ($1 > 5) late++ }
        END {
            med = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; lo = v[1]; hi = v[NR]
            printf "%-10s %6d %9.2f ms %9.2f ms %9.2f ms %9d  %-26s %s\n", k, n, med, hi, lo, late,
                "<= 5 ms over, never short", (hi <= 5 && lo >= 0) ? "PASS" : "MISS"
        }' "$tmp/over"
done
