#!/usr/bin/env bash
# The real program in a real X window (Xvfb): 1_PLAY → 黒 is chosen through
# the menu with the keyboard, the greeting is answered, d3 is clicked with
# the mouse. The board on the screen must then show black's new stones and
# the computer seats' replies: the position the scenario driver reaches with
# the same moves.
#   real_window_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
game=
. "$(dirname "$0")/window_support.sh"
cleanup() {
    [[ -n $game ]] && kill "$game" 2>/dev/null || true
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
start_xvfb

# The expected positions, from the scenario driver: the start, and after d3.
initial=$(position "")
expected=$(position $'menu JYUNBAN_1\nclick 4 3')
[[ ${#initial} -eq 81 && ${#expected} -eq 81 ]] || fail "the driver gave no position"

# Started as run.sh starts it: in a folder holding the sounds.
mkdir "$work/play"
cp "$build"/play/*.wav "$work/play/"
(cd "$work/play" && exec "$build/korvalo" 2>/dev/null) &
game=$!
win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Korvalo$' | head -1) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
sleep 1

start=$(read_board)
[[ $start == "$initial" ]] ||
    fail "the starting position is not on the screen: $start"

# 対局 on the menu bar, then 対局 → 1_PLAY → 黒 with the keyboard.
xdotool mousemove $((X + 20)) $((Y + 10)) click 1
sleep 0.5
for key in Down Right Right Return; do xdotool key "$key"; sleep 0.3; done
sleep 0.7
xdotool key Return  # answers "下の番です"
sleep 0.5

click_square 4 3
await_board "$expected" 60 "$game"
echo "real window: black's move and the three replies are on the screen"
