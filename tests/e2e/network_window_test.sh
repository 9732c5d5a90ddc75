#!/usr/bin/env bash
# A network game in the real window (Xvfb): the window hosts, says where to
# join and with which code, and a headless peer joins on loopback as blue.
# The host's person chooses four persons and plays black's move; the peer's
# move for blue then shows on the host's board, and the title says which
# colour the window plays. When the peer dies, the host says blue has left.
#   network_window_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
game= peer=
. "$(dirname "$0")/window_support.sh"
cleanup() {
    [[ -n $peer ]] && kill "$peer" 2>/dev/null || true
    [[ -n $game ]] && kill "$game" 2>/dev/null || true
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
start_xvfb
play="$work/play"
mkdir "$play" "$work/peer"
cp "$build"/play/*.wav "$play/"
events="$work/events"
seen=0
port=$(( 40000 + RANDOM % 20000 ))
window_title() { xdotool getwindowname "$(xdotool search --onlyvisible --pid "$game" --class '^Korvalo$' | head -1)"; }

start_game --host --no-port-mapping --port "$port" --code tesuto
# The notice says where others can join, and with which code.
await_box "$game"
xdotool key Return
title=$(window_title)
[[ $title == *"合言葉 tesuto"* ]] || fail "the title does not give the code: $title"

# Blue's first move after black's d3.
black=$'menu PLAY_4\nclick 4 3'
before=$(position "$black")
blue=
for column in $(seq 1 9); do
    for row in $(seq 1 9); do
        [[ -z $blue && $(position "$black"$'\nclick '"$column $row") != "$before" ]] && blue="$column $row"
    done
done
[[ -n $blue ]] || fail "no move for blue"
printf 'click %s\nstate\nwait players 8\n' "$blue" >"$work/peer.txt"
"$build/korvalo-script" --no-sound-library --dir "$work/peer" --join "127.0.0.1:$port" --code tesuto --seat blue \
    "$work/peer.txt" >"$work/peer.out" 2>"$work/peer.err" &
peer=$!
for _ in $(seq 100); do [[ $(window_title) == *"2人"* ]] && break; sleep 0.1; done

choose_four_persons
title=$(window_title)
[[ $title == *"黒"* ]] || fail "the title does not say black: $title"
click_square 4 3
after=$(position "$black"$'\nclick '"$blue")
await_board "$after" 20 "$game"
echo "the peer's move for blue shows on the host's board"

kill "$peer"
peer=
await_box "$game"
grep -q "青のウィンドウが抜けました" "$work/stderr" || fail "the host does not say blue left: $(cat "$work/stderr")"
xdotool key Return
echo "the host says blue has left"
