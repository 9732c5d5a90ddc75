#!/usr/bin/env bash
# The window as a screen reader hears it, through the accessibility bus
# (AT-SPI), under Xvfb with a window manager and a D-Bus session of the test's
# own. Without an assistive technology and without --keyboard, the keys reach
# the game as they always did: a letter, a digit, Enter and Space are keys,
# no click, and Esc ends the program. Once an assistive technology is active:
# the board is a table of 81 cells named after the start position; 1_PLAY →
# 黒 is chosen from the menus with F10 and the keys, the greeting answered
# with Enter, and the turn line says 黒 の番です; the cursor's cell has the
# focus; d, 3, Enter play d3, whose cell tells its new name, and the cells
# the computers' replies change tell theirs, while the game pauses between
# its frames; the board's description tells the last move and whose turn it
# is. Prints the time from Enter to d3's news.
#   screen_reader_test.sh BUILD_DIR
set -euo pipefail
# A session bus of the test's own, where the accessibility bus is started.
if [[ -z ${KORVALO_OWN_SESSION:-} ]]; then
    export KORVALO_OWN_SESSION=1
    exec dbus-run-session -- "$0" "$@"
fi
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
game= wm=
. "$here/window_support.sh"
trap stop_window_test EXIT
start_xvfb
start_window_manager

reader() { /usr/bin/python3 "$here/screen_reader.py" "$game" "$@"; }

initial=$(position "")
replied=$(position $'menu JYUNBAN_1\nclick 4 3')
[[ ${#initial} -eq 81 && ${#replied} -eq 81 ]] || fail "the driver gave no position"
play=$work/play events=$work/trace
mkdir "$play"

accessibility false
start_game
await_keyboard
xdotool key d 3 Return space Left Home
for _ in 1 2 3 4; do await_event key; done
awk '$1 == "press" || $1 == "release" { exit 1 }' "$events" || fail "a key clicked without keyboard play"
xdotool key Escape
await_end
echo "screen reader: without one, keys but Esc do nothing"

accessibility true
start_game
await_keyboard
reader board "$initial"
xdotool key F10  # 対局
await_menus "$game" 1
xdotool key Down Right
await_menus "$game" 2
xdotool key Right Return  # 1_PLAY → 黒
await_event command JYUNBAN_1
await_box "$game"
xdotool key Return  # answers "下の番です"
await_event idle
reader turn "黒 の番です"
reader focus "e5 空"
took=$(reader play d3 "d3 黒" "$replied" d 3 Return)
reader description "(青|白|赤) が [a-i][1-9] に打ちました。黒 の番です"
reader turn "黒 の番です"
echo "screen reader: 81 cells, a move by keys and the replies heard; Enter to d3's news ${took%% *} ms"
xdotool key Escape
await_end
