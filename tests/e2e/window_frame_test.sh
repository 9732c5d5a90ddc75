#!/usr/bin/env bash
# The real program under a real window manager (openbox on Xvfb): the window
# is 9800 x 8000 twips, 653 x 533 pixels, from frame to frame, title bar
# included, its frame's top-left corner stands at (-4, -4), so that the title
# bar is on the screen, and its client area still holds everything the game
# draws. So it stands already behind each box of the start-up (the sound
# library's, the hosting notice, a join link's question), and stays there
# once the box is closed. A join link that cannot be read is refused in a
# box that says why, with one line on the terminal and status 2. The test
# runs in a network namespace of its own: the host's usual port is its own,
# and its X server's socket cannot be taken by another test's.
#   window_frame_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
. "$(dirname "$0")/window_support.sh"
enter_own_network "$@"
# No bus is reached, nor started for the program.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/korvalo-test-bus
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/korvalo-test-bus
game= wm= xvfb=
trap stop_window_test EXIT

start_xvfb
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"

start_window_manager

mkdir "$work/play"
(cd "$work/play" && KORVALO_TRACE="$work/trace" exec "$build/korvalo" 2>"$work/stderr") &
game=$!
# (Searched again and again: a search fails when a window it looks at goes
# away meanwhile, as the window manager's and the toolkit's passing windows do.
# A sanitizer build on a loaded machine may take many seconds to start.)
win=
window_named() {
    win=$(xdotool search --onlyvisible --name '^Korvalo$' 2>/dev/null | head -1) || true
    [[ -n $win ]] && return 0
    kill -0 "$game" 2>/dev/null || fail "the program ended"
    return 1
}
wait_until "$patience" window_named || true
[[ -n $win ]] || fail "no window; the program got as far as: $(cut -d' ' -f1 "$work/trace" 2>/dev/null | tr '\n' ' ')
$(tail -5 "$work/stderr" 2>/dev/null)"

# The frame's size: the client's plus the frame extents the window manager
# publishes (left, right, top, bottom). Wait until both have settled.
outer= extents= top=0
frame_settled() {
    extents=$(xprop -id "$win" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p' | tr -d ' ')
    [[ -n $extents ]] || return 1
    IFS=, read -r left right top bottom <<<"$extents"
    width=$(xwininfo -id "$win" | sed -n 's/^ *Width: //p')
    height=$(xwininfo -id "$win" | sed -n 's/^ *Height: //p')
    outer="$((width + left + right))x$((height + top + bottom))"
    [[ $outer == 653x533 ]]
}
wait_until "$patience" frame_settled || true
[[ $top -gt 0 ]] || fail "the window manager drew no title bar ($extents)"
[[ $outer == 653x533 ]] || fail "outer size $outer (client ${width}x$height, frame $extents)"

# The frame's position: the client's on the screen less the frame extents.
frame=
frame_placed() {
    x=$(xwininfo -id "$win" | sed -n 's/^ *Absolute upper-left X: *//p')
    y=$(xwininfo -id "$win" | sed -n 's/^ *Absolute upper-left Y: *//p')
    frame="$((x - left)),$((y - top))"
    [[ $frame == -4,-4 ]]
}
wait_until "$patience" frame_placed || true
[[ $frame == -4,-4 ]] || fail "the frame stands at ($frame), not (-4,-4); client at ($x,$y), frame $extents"

# The client area holds the menu bar and the whole drawing: the bottom seat
# icon ends 6300 twips + 32 pixels below the drawing's top, the turn line
# 9215 twips right of its left; the drawing starts below the menu bar, at
# the first row of the board's green (square a1 at 730 twips, pixel 49).
shot="$work/shot.png"
import -window "$win" "$shot"
first=$(convert "$shot" -depth 8 txt:- | awk -F'[,: ]+' '/#00FF00/ && !found { print $2; found = 1 }')
[[ -n $first ]] || fail "no board in the window"
menu=$((first - 49))
((height - menu >= 6300 / 15 + 32 + 1)) || fail "drawing area $((height - menu)) pixels high"
((width >= 9215 / 15 + 1)) || fail "drawing area $width pixels wide"
echo "window frame: outer $outer at ($frame), client ${width}x$height, frame $extents"
# Asked to close, it ends well: in the sanitizer build, with no leak of its own.
end_game

# The frame's position of window $1, as above.
frame_of() {
    local extents left top x y
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p' | tr -d ' ')
    IFS=, read -r left _ top _ <<<"$extents"
    x=$(xwininfo -id "$1" 2>/dev/null | sed -n 's/^ *Absolute upper-left X: *//p')
    y=$(xwininfo -id "$1" 2>/dev/null | sed -n 's/^ *Absolute upper-left Y: *//p')
    echo "$((x - left)),$((y - top))"
}
# Starts the program with options $@ and waits until a box of its start-up
# has the keyboard; its main window is then $main.
box_shown() {
    local w
    for w in $(windows_of "$game"); do
        xprop -id "$w" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' && return 0
    done
    kill -0 "$game" 2>/dev/null || fail "korvalo ended: $(cat "$work/stderr")"
    return 1
}
start_with_box() {
    (cd "$work/play" && exec "$build/korvalo" "$@" >"$work/stdout" 2>"$work/stderr") &
    game=$!
    wait_until "$patience" box_shown || fail "no box of korvalo $*"
    await_box "$game"
    main=$(windows_of "$game" | while read -r w; do
        xprop -id "$w" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' || echo "$w"; done | head -1)
    [[ -n $main ]] || fail "no window behind the box of korvalo $*"
}
# Checks that the frame of $main stands at (-4,-4) now and for the next five
# readings, a fifth of a second apart ($1 says when).
frame_stays() {
    local at
    for _ in $(seq 5); do
        at=$(frame_of "$main")
        [[ $at == -4,-4 ]] || fail "$1: the frame stands at ($at)"
        sleep 0.2
    done
}
# Waits until window $1 has the keyboard.
has_keyboard() {
    [[ $(xdotool getwindowfocus 2>/dev/null) == "$1" ]] && return 0
    kill -0 "$game" 2>/dev/null || fail "the program ended"
    return 1
}
await_focus() {
    wait_until "$patience" has_keyboard "$1" || fail "window $1 does not have the keyboard"
}

# Without a sound device the sound library's box opens in the load event.
SDL_AUDIODRIVER=korvalo-none start_with_box
frame_stays "behind the sound library's box"
xdotool key Return
await_focus "$main"
frame_stays "after the sound library's box"
end_game
start_with_box --host --no-port-mapping --code tesuto
frame_stays "behind the hosting notice"
xdotool key Return
await_focus "$main"
frame_stays "after the hosting notice"
end_game
# Yes to the link's question: nothing listens there, and a box says so.
start_with_box korvalo://127.0.0.1:47119/tesuto
frame_stays "behind the link's question"
xdotool key Return
said_so() { grep -q "cannot join" "$work/stderr"; }
wait_until "$patience" said_so || fail "no failure of the join: $(cat "$work/stderr")"
await_box "$game"
frame_stays "after the link's question"
xdotool key Return
await_end 1
echo "the frame stood at (-4,-4) behind and after each box of the start-up"

# A link that cannot be read: its box says why, the terminal has one line.
(cd "$work/play" && KORVALO_TRACE="$work/refusal" exec "$build/korvalo" korvalo://127.0.0.1:99999/tesuto \
    2>"$work/stderr") &
game=$!
refused() {
    grep -qs '^refusal ' "$work/refusal" && return 0
    kill -0 "$game" 2>/dev/null || fail "the program ended: $(cat "$work/stderr")"
    return 1
}
wait_until "$patience" refused || true
grep -q '^refusal .*ポート番号が 1 から 65535 の範囲にありません。 *korvalo://127.0.0.1:99999/tesuto' "$work/refusal" ||
    fail "no box says what is wrong with the link: $(cat "$work/refusal")"
await_focus "$(windows_of "$game" | head -1)"
xdotool key Return
await_end 2
[[ $(wc -l <"$work/stderr") -eq 1 ]] && grep -q '^korvalo: 参加リンクを読めません: ポート番号' "$work/stderr" ||
    fail "the terminal does not have the one line: $(cat "$work/stderr")"
echo "a link that cannot be read is refused in a box, with one line on the terminal and status 2"
