#!/usr/bin/env bash
# A network game in the real window (Xvfb): the window hosts, says where to
# join and with which code, and a headless peer joins on loopback as blue.
# The host's person chooses four persons and plays black's move; the peer's
# move for blue then shows on the host's board, and the title says which
# colour the window plays. When the peer dies, the host says blue has left.
# The host is started without --port and takes the usual port, 47119: the
# test runs in a network namespace of its own, where no other game can hold
# that port and nothing it says leaves the machine (nor is the game announced:
# no system bus is reached). Last, a window joining a listener that never
# answers paints, says that it connects, and ends at once, quietly, on Esc.
#   network_window_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
game= peer= silent=
. "$(dirname "$0")/window_support.sh"
enter_own_network "$@"
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/korvalo-test-bus
cleanup() {
    [[ -n $silent ]] && kill "$silent" 2>/dev/null || true
    [[ -n $peer ]] && kill "$peer" 2>/dev/null || true
    [[ -n $game ]] && kill -KILL "$game" 2>/dev/null || true
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
    [[ -n ${bus:-} ]] && pkill -f "dbus-daemon --session --fork --nopidfile --address=unix:path=$work/bus" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# A session bus of the test's own: the sound library's SDL asks for one, and
# no bus outside the namespace is reached.
bus=$(dbus-daemon --session --fork --nopidfile --address="unix:path=$work/bus" --print-address)
export DBUS_SESSION_BUS_ADDRESS=$bus
start_xvfb
play="$work/play"
mkdir "$play" "$work/peer"
cp "$build"/play/*.wav "$play/"
events="$work/events"
seen=0
port=47119
# (Tried again and again: a search fails when a window it looks at goes away
# meanwhile, as a notice just answered does.)
title=
read_title() {
    local window
    window=$(xdotool search --onlyvisible --pid "$game" --class '^Korvalo$' 2>/dev/null | head -1) || true
    title=$(xdotool getwindowname "$window" 2>/dev/null) || title=
    [[ -n $title ]]
}
# Waits until the window's title holds $1.
title_holds() { read_title && [[ $title == *"$1"* ]]; }

start_game --host --no-port-mapping --code tesuto
# The notice says where others can join, and with which code.
await_box "$game"
xdotool key Return
wait_until "$patience" title_holds "合言葉 tesuto" || fail "the title does not give the code: $title"

# Blue's first move after black's d3.
black=$'menu PLAY_4\nclick 4 3'
blue=$(first_move "$black")
[[ -n $blue ]] || fail "no move for blue"
printf 'click %s\nstate\nwait players 8\n' "$blue" >"$work/peer.txt"
"$build/korvalo-script" --no-sound-library --dir "$work/peer" --join 127.0.0.1 --code tesuto --seat blue \
    "$work/peer.txt" >"$work/peer.out" 2>"$work/peer.err" &
peer=$!
wait_until "$patience" title_holds "2人" || fail "the title does not say two are there: $title"

choose_four_persons
wait_until "$patience" title_holds "黒" || fail "the title does not say black: $title"
click_square 4 3
after=$(position "$black"$'\nclick '"$blue")
await_board "$after" "$game"
echo "the peer's move for blue shows on the host's board"

kill "$peer"
peer=
await_box "$game"
grep -q "青のウィンドウが抜けました" "$work/stderr" || fail "the host does not say blue left: $(cat "$work/stderr")"
xdotool key Return
echo "the host says blue has left"
end_game

# A listener that takes the connection and never answers the greeting.
perl -MIO::Socket::INET -e 'my $s = IO::Socket::INET->new(LocalAddr => "127.0.0.1:47120", Listen => 5)
    or die "$!"; sleep 60' &
silent=$!
listening() { ss -ltn | grep -q '127.0.0.1:47120 '; }
wait_until "$patience" listening || fail "the listener did not start"
start_game --join 127.0.0.1:47120 --code tesuto
await_box "$game"
[[ $(xdotool getwindowname "$(xdotool getwindowfocus)") == Korvalo ]] || fail "no box says it connects"
began=$(date +%s%N)
xdotool key Escape
status=0
# (Well within the 10 s the window gives a connection, also on a busy machine.)
wait_until 5 not_running "$game" || fail "the window goes on 5 s after Esc while it connects"
wait "$game" || status=$?
ms=$(( ($(date +%s%N) - began) / 1000000 ))
game=
((status == 0)) || fail "Esc while connecting ended the program with status $status: $(cat "$work/stderr")"
echo "Esc while connecting ended the program in $ms ms, status 0"
