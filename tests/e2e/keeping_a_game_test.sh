#!/usr/bin/env bash
# Keeping a game in the real window (Xvfb). A short game of four persons is
# played with --record through the menus and the mouse, and ended with Esc: run through
# the scenario driver, the file ends in the position and the settings of the
# live game. The file, its last line cut short, is replayed in the window
# while a new record is kept: the replay stops at the cut with the line's
# number, the window shows the position, takes the person's next move, and
# the new record holds the replayed inputs and that move. A line that cannot
# be read stops a replay with its number. Files no one should replay: a pipe
# that nobody writes neither holds up the window nor Esc; a line of tens of
# megabytes stops the replay without costing more memory than a game; a folder
# is refused. Either way the window is then the person's.
# Each step waits for what it needs: the program's timing trace (the window
# painted, a command handled, input taken again), its menus and message boxes
# on the screen, the board, or a line on standard error.
#   keeping_a_game_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
game=
. "$(dirname "$0")/window_support.sh"
trap stop_window_test EXIT
start_xvfb
play="$work/play"
mkdir "$play"
cp "$build"/play/*.wav "$play/"

# The program's timing trace, and the number of its lines already waited for.
events="$work/events"
seen=0
# The program's peak memory so far, in KiB.
peak_memory() {
    awk '$1 == "VmHWM:" { print $2 }' "/proc/$game/status"
}
# Closes the notice of a stopped replay and clicks the board: the press
# reaches the game, so the window is the person's.
play_on() {
    await_box "$game"
    xdotool key Return
    xdotool mousemove 300 300 click 1
    await_event press
}
stderr_says() { grep -q -- "$1" "$work/stderr"; }
await_stderr() {
    wait_until "$patience" stderr_says "$1" || fail "no '$1' on standard error: $(cat "$work/stderr")"
}

# --- Played and recorded: 4_PLAY, d3 for black, a move for blue, ｵﾌﾟｼｮﾝ →
# BGM off, 戻, Esc.
black=$'menu PLAY_4\nclick 4 3'
read -r column row < <(first_move "$black")
[[ -n $column ]] || fail "no move after: $black"
start_game --record game.txt
choose_four_persons
click_square 4 3
await_board "$(position "$black")" "$game"
click_square "$column" "$row"
await_board "$(position "$black"$'\nclick '"$column $row")" "$game"
read -r -a marks <<<"$(menu_marks)"
xdotool mousemove "${marks[-2]}" 6 click 1  # ｵﾌﾟｼｮﾝ
await_menus "$game" 1
xdotool key Down Down Down Return
await_event command BGM
await_event idle
xdotool mousemove "${marks[2]}" 6 click 1  # 戻
await_event command
live=$(position "$black")
await_board "$live" "$game"
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
await_stderr "game.txt already exists; the game is recorded into game-1.txt"
await_stderr "line $lines: the recording was cut short"
await_box "$game"
replayed_peak=$(peak_memory)
xdotool key Return  # closes the report of the stop
await_board "$live" "$game"
click_square "$column" "$row"  # blue's move again
after=$(position "$(head -n -1 "$recorded")"$'\nclick '"$column $row")
[[ $after != "$live" ]] || fail "the driver does not take blue's move"
await_board "$after" "$game"
again="$play/game-1.txt"
recorded_release() { [[ $(tail -1 "$again") == release* ]]; }
wait_until "$patience" recorded_release || fail "the move is not recorded: $(tail -3 "$again")"
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
await_stderr "korvalo: line 2: unknown menu item: menu PLAY_5"
running "$game" || fail "the program ended"
end_game
echo "an unknown line stops the replay with its number"

# --- A pipe that nobody writes: the window shows at once, the replay waits
# for lines and takes no click meanwhile, and Esc ends the program.
mkfifo "$play/pipe.txt"
start_game --replay pipe.txt
xdotool mousemove 300 300 click 1 key Escape
await_end
! grep -q '^press ' "$events" || fail "the click was taken while the replay waited for lines"
grep -q '^key ' "$events" || fail "Esc did not reach the game"
echo "a pipe that nobody writes: the window shows at once and Esc ends the program"

# --- One line of 32 MiB: the replay stops at it, and the program holds no
# more memory than after replaying a game.
head -c $(( 32 << 20 )) /dev/zero | tr '\0' x >"$play/long.txt"
start_game --replay long.txt
await_stderr "korvalo: line 1: longer than 65536 characters: $(printf 'x%.0s' $(seq 40))…"
await_box "$game"
long_peak=$(peak_memory)
(( long_peak <= replayed_peak + 8192 )) ||
    fail "peak memory $long_peak KiB after the long line, $replayed_peak KiB after replaying a game"
play_on
end_game
echo "a line of 32 MiB stops the replay; peak memory $long_peak KiB (after replaying a game: $replayed_peak KiB)"

# --- A folder.
mkdir "$play/folder"
start_game --replay folder
await_stderr "korvalo: folder is a folder, not a script"
play_on
end_game
echo "a folder is refused and the window is the person's"
