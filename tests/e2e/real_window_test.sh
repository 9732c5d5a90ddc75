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
trap stop_window_test EXIT
start_xvfb

# The expected positions, from the scenario driver: the start, and after d3.
initial=$(position "")
expected=$(position $'menu JYUNBAN_1\nclick 4 3')
[[ ${#initial} -eq 81 && ${#expected} -eq 81 ]] || fail "the driver gave no position"

# Started as run.sh starts it: in a folder holding the sounds.
play=$work/play events=$work/trace
mkdir "$play"
cp "$build"/play/*.wav "$play/"
start_game
eval "$(xdotool getwindowgeometry --shell "$(windows_of "$game" | head -1)")"

start=$(read_board)
[[ $start == "$initial" ]] ||
    fail "the starting position is not on the screen: $start"

# 対局 on the menu bar, then 対局 → 1_PLAY → 黒 with the keyboard.
xdotool mousemove $((X + 20)) $((Y + 10)) click 1
await_menus "$game" 1
xdotool key Down Right
await_menus "$game" 2
xdotool key Right Return
await_event command JYUNBAN_1
await_box "$game"
xdotool key Return  # answers "下の番です"
await_event idle

click_square 4 3
await_board "$expected" "$game"
echo "real window: black's move and the three replies are on the screen"
end_game
