#!/usr/bin/env bash
# The program as a native Wayland client, on a headless Weston of its own:
# it must connect with the title "Korvalo" and the app id of its desktop
# entry, write its settings file, and end cleanly when asked to close.
#   wayland_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
game= weston=
cleanup() {
    [[ -n $game ]] && kill -KILL "$game" 2>/dev/null || true
    [[ -n $weston ]] && kill "$weston" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/window_support.sh"

# Weston wants a runtime folder of the user's own that no one else may enter,
# also when the tests run as root.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY=korvalo-test
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 --no-config \
    >"$work/weston.log" 2>&1 &
weston=$!
wait_until "$patience" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start: $(cat "$work/weston.log")"

mkdir "$work/play"
(cd "$work/play" && QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client SDL_AUDIODRIVER=dummy \
    exec "$build/korvalo" 2>"$work/client.log") &
game=$!
titled_and_written() {
    grep -q 'xdg_toplevel@[0-9]*\.set_title("Korvalo")' "$work/client.log" && [[ -f $work/play/Korvalo.ini ]] && return 0
    not_running "$game"
}
wait_until "$patience" titled_and_written || true
grep -q 'xdg_toplevel@[0-9]*\.set_title("Korvalo")' "$work/client.log" ||
    fail "no Wayland window titled Korvalo: $(grep -v '^\[' "$work/client.log" | tail -20)"
[[ -f $work/play/Korvalo.ini ]] || fail "no settings file written"
grep -q 'set_app_id("io.github.korvalo.Korvalo")' "$work/client.log" || fail "the window names no desktop entry"
# The compositor answered: the window was configured and its surface shown.
wait_until "$patience" grep -q 'xdg_toplevel@[0-9]*\.configure' "$work/client.log" || true
grep -q 'xdg_toplevel@[0-9]*\.configure' "$work/client.log" || fail "the compositor never configured the window"

kill -TERM "$game"
# Asked to close, the program ends within a few seconds; if it does not,
# what each of its threads was doing is told.
if ! wait_until "$patience" not_running "$game"; then
    stacks=$(gdb -p "$game" -batch -ex 'thread apply all bt' 2>&1 | grep -E '^(Thread|#)' || true)
    fail "the program did not end within $patience s of SIGTERM:
$stacks
$(grep -v '^\[' "$work/client.log" | tail)"
fi
status=0
wait "$game" || status=$?
game=
[[ $status -eq 0 ]] || fail "the game ended with $status when asked to close: $(grep -v '^\[' "$work/client.log" | tail)"
echo "korvalo ran as a Wayland client of a headless weston and closed cleanly"
