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
game= xvfb=
cleanup() {
    [[ -n $game ]] && kill "$game" 2>/dev/null || true
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A free display number.
n=90
while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n" SDL_AUDIODRIVER=dummy
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# The expected positions, from the scenario driver: the start, and after d3.
mkdir "$work/driver"
position() {
    printf '%s\nstate\n' "$1" | "$build/korvalo-script" --dir "$work/driver" --no-sound-library |
        sed -n 's/^row [1-9] //p' | tr -d '\n'
}
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

shot="$work/shot.png"
# Square contents read from the screen, in the driver's order: for each row,
# columns a..i; 0 empty, 1..4 a colour, ? anything else.
read_board() {
    import -window root "$shot"
    # The drawing area's origin: the first pure-green pixel is the top-left
    # of square a1, at (1030, 730) twips = (69, 49) pixels.
    local first ox oy
    first=$(convert "$shot" -depth 8 -crop 650x540+0+0 +repage txt:- |
        awk -F'[,: ]+' '/#00FF00/ { print $1, $2; exit }')
    [[ -n $first ]] || { echo ""; return; }
    read -r ox oy <<<"$first"
    ox=$((ox - 69)) oy=$((oy - 49))
    local points=""
    for row in $(seq 1 9); do
        for col in $(seq 1 9); do
            points+="$(( ox + (400 + 630 * col + 315) / 15 )),$(( oy + (100 + 630 * row + 315) / 15 )) "
        done
    done
    convert "$shot" -depth 8 txt:- | awk -v pts="$points" '
        BEGIN { n = split(pts, p, " "); for (i = 1; i <= n; i++) want[p[i]] = i }
        {
            split($1, xy, "[,:]"); key = xy[1] "," xy[2]
            if (key in want) {
                match($0, /\([ 0-9]+,[ 0-9]+,[ 0-9]+/); split(substr($0, RSTART + 1, RLENGTH - 1), v, ",")
                r = v[1] + 0; g = v[2] + 0; b = v[3] + 0
                c = "?"
                if (r < 60 && g > 200 && b < 60) c = "0"
                else if (r < 60 && g < 60 && b < 60) c = "1"
                else if (r < 60 && g < 60 && b > 200) c = "2"
                else if (r > 200 && g > 200 && b > 200) c = "3"
                else if (r > 200 && g < 60 && b < 60) c = "4"
                got[want[key]] = c
            }
        }
        END { for (i = 1; i <= n; i++) printf "%s", (i in got ? got[i] : "?"); print "" }'
}

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

# d3, the centre of column 4, row 3.
read -r ox oy < <(convert "$shot" -depth 8 -crop 650x540+0+0 +repage txt:- | awk -F'[,: ]+' '/#00FF00/ { print $1 - 69, $2 - 49; exit }')
xdotool mousemove $((ox + (400 + 630 * 4 + 315) / 15)) $((oy + (100 + 630 * 3 + 315) / 15)) click 1

board=""
for _ in $(seq 60); do
    sleep 1
    board=$(read_board)
    [[ $board == "$expected" ]] && break
    kill -0 "$game" 2>/dev/null || fail "the program ended"
done
[[ $board == "$expected" ]] || fail "screen $board, expected $expected"
echo "real window: black's move and the three replies are on the screen"
