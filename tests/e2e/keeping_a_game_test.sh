#!/usr/bin/env bash
# Keeping a game in the real window (Xvfb). A short game of four persons is
# played with --record through the menus and the mouse, and ended with Esc: run through
# the scenario driver, the file ends in the position and the settings of the
# live game. The file, its last line cut short, is replayed in the window
# while a new record is kept: the replay stops at the cut with the line's
# number, the window shows the position, takes the person's next move, and
# the new record holds the replayed inputs and that move. A line that cannot
# be read stops a replay with its number.
#   keeping_a_game_test.sh BUILD_DIR
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
play="$work/play"
mkdir "$play"
cp "$build"/play/*.wav "$play/"

# Starts the program in the play folder with the given options.
start_game() {
    (cd "$play" && exec "$build/korvalo" "$@" 2>"$work/stderr") &
    game=$!
    timeout 20 xdotool search --sync --onlyvisible --name '^Korvalo$' >/dev/null || fail "no window"
    sleep 1
}
await_end() {
    for _ in $(seq 50); do kill -0 "$game" 2>/dev/null || { game=; return 0; }; sleep 0.1; done
    fail "the program did not end"
}
# The first square, in the driver's scan order, where a click after the
# script places a stone.
first_move() {
    local before
    before=$(position "$1")
    for column in $(seq 1 9); do
        for row in $(seq 1 9); do
            [[ $(position "$1"$'\nclick '"$column $row") != "$before" ]] && { echo "$column $row"; return; }
        done
    done
    fail "no move after: $1"
}
await_stderr() {
    for _ in $(seq "$2"); do grep -q -- "$1" "$work/stderr" && return 0; sleep 0.2; done
    fail "no '$1' on standard error: $(cat "$work/stderr")"
}

# --- Played and recorded: 4_PLAY, d3 for black, a move for blue, ｵﾌﾟｼｮﾝ →
# BGM off, 戻, Esc.
black=$'menu PLAY_4\nclick 4 3'
read -r column row < <(first_move "$black")
start_game --record game.txt
xdotool mousemove 20 6 click 1
sleep 0.5
for key in Down Right Down Down Return; do xdotool key "$key"; sleep 0.3; done
sleep 0.7
xdotool key Return  # answers "下の番です"
sleep 0.5
click_square 4 3
await_board "$(position "$black")" 10 "$game"
click_square "$column" "$row"
await_board "$(position "$black"$'\nclick '"$column $row")" 10 "$game"
read -r -a marks <<<"$(menu_marks)"
xdotool mousemove "${marks[-2]}" 6 click 1  # ｵﾌﾟｼｮﾝ
sleep 0.5
for key in Down Down Down Return; do xdotool key "$key"; sleep 0.3; done
xdotool mousemove "${marks[2]}" 6 click 1  # 戻
live=$(position "$black")
await_board "$live" 10 "$game"
xdotool key Escape
await_end

recorded="$play/game.txt"
[[ $(head -1 "$recorded") == "# Recorded by Korvalo "* ]] || fail "no first line: $(head -1 "$recorded")"
[[ $(tail -1 "$recorded") == "key 27" ]] || fail "Esc is not the last line: $(tail -1 "$recorded")"
grep -qx 'menu BGM' "$recorded" || fail "the option is not recorded"
position "$(head -n -1 "$recorded")" >"$work/replayed"
[[ $(cat "$work/replayed") == "$live" ]] || fail "the driver ends in $(cat "$work/replayed"), the game in $live"
rm "$work/driver/Korvalo.ini"
"$build/korvalo-script" --dir "$work/driver" --no-sound-library "$recorded" >"$work/trace" ||
    fail "the driver refused the file"
[[ $(tail -1 "$work/trace") == exit ]] || fail "the driver did not end the program"
cmp "$work/driver/Korvalo.ini" "$play/Korvalo.ini" || fail "the settings differ"
echo "recorded: $(wc -l <"$recorded") lines; the driver ends in the live position with the live settings"

# --- Replayed from a copy whose last line ("key 27") was cut to "key 2".
rm -f "$play/Korvalo.ini"
head -n -1 "$recorded" >"$play/cut.txt"
printf 'key 2' >>"$play/cut.txt"
lines=$(( $(wc -l <"$play/cut.txt") + 1 ))
start_game --replay cut.txt --record game.txt
await_stderr "game.txt already exists; the game is recorded into game-1.txt" 5
await_stderr "line $lines: the recording was cut short" 100
sleep 0.5
xdotool key Return  # closes the report of the stop
await_board "$live" 5 "$game"
click_square "$column" "$row"  # blue's move again
after=$(position "$(head -n -1 "$recorded")"$'\nclick '"$column $row")
[[ $after != "$live" ]] || fail "the driver does not take blue's move"
await_board "$after" 10 "$game"
again="$play/game-1.txt"
for _ in $(seq 20); do [[ $(tail -1 "$again") == release* ]] && break; sleep 0.2; done
diff <(sed -n "2,$(( lines - 1 ))p" "$recorded") <(sed -n "2,$(( lines - 1 ))p" "$again") ||
    fail "the new record does not start with the replayed inputs"
[[ $(tail -n +"$lines" "$again" | cut -d' ' -f1 | tr '\n' ' ') == "press release " ]] ||
    fail "the person's move is not recorded: $(tail -n +"$lines" "$again")"
xdotool key Escape
await_end
echo "replayed up to the cut; the person's move is taken and recorded after the replayed inputs"

# --- A line that cannot be read.
printf 'menu JYUNBAN_1\nmenu PLAY_5\nclick 4 3\n' >"$play/bad.txt"
start_game --replay bad.txt
await_stderr "korvalo: line 2: unknown menu item: menu PLAY_5" 25
kill -0 "$game" || fail "the program ended"
echo "an unknown line stops the replay with its number"
