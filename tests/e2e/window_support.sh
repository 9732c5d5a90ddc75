# Shared by the tests of the real window: an X server of its own (Xvfb), the
# scenario driver's positions, and the board and menu bar read from the screen.
# Expects $build (the build folder) and $work (a scratch folder) to be set.

fail() { echo "FAIL: $*" >&2; exit 1; }

# The longest any one wait lasts, in seconds. What takes a second on an idle
# machine takes many times that in the sanitizer build beside other work;
# every wait ends as soon as what it waits for is there, so the limit costs
# nothing when all is well.
patience=120

# Runs the command given every tenth of a second until it succeeds; fails
# once $1 seconds have passed without.
wait_until() {
    local end=$(( ${EPOCHREALTIME/./} + $1 * 1000000 ))
    shift
    until "$@"; do
        (( ${EPOCHREALTIME/./} < end )) || return 1
        sleep 0.1
    done
}

# Starts Xvfb on a display number it chooses itself and exports DISPLAY.
# Xvfb finds a free number by its abstract socket, which belongs to the
# network namespace, but its socket file (/tmp/.X11-unix) and its compiled
# keymap (/var/lib/xkb), both named after the number, lie in folders that all
# namespaces share: two servers in two namespaces took the same number,
# spoilt each other's keymap, and one of them ended. A test in a network
# namespace of its own therefore mounts both folders afresh for itself.
xvfb=
start_xvfb() {
    local n= starts=0
    until [[ -n $n ]]; do
        ((starts++ < 3)) || fail "Xvfb did not start 3 times: $(cat "$work/xvfb.log")"
        local fifo="$work/display.$starts"
        mkfifo "$fifo"
        # -noreset: by default the server resets itself when its last client
        # leaves, and a client that connects meanwhile (the program started
        # again right after it closed) is turned away: "could not connect".
        Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >"$work/xvfb.log" 2>&1 &
        xvfb=$!
        read -r -t "$patience" n <"$fifo" || n=
        # It is started again should it end before it answers a client.
        if [[ -z $n ]] || ! wait_until "$patience" x_answers_or_ended ":$n" || ! running "$xvfb"; then
            kill "$xvfb" 2>/dev/null || true
            n=
        fi
    done
    export DISPLAY=":$n" SDL_AUDIODRIVER=dummy
}
# What the X server said, and whether it has ended, for a failure's message.
x_server_said() {
    running "$xvfb" || echo " (the X server has ended)"
    [[ -s $work/xvfb.log ]] && echo " X server: $(tail -5 "$work/xvfb.log")"
    true
}
# Whether the X server on display $1 answers a client, or $xvfb has ended.
x_answers_or_ended() { ! running "$xvfb" || xdpyinfo -display "$1" >/dev/null 2>&1; }

# Starts openbox with settings of its own (none of the user's) and waits
# until it manages the screen. Seen now and then with two such tests side by
# side: openbox ended with status 1 and said nothing. It is then started
# again, three times at most. Sets $wm.
start_window_manager() {
    mkdir -p "$work/config"
    local starts=0 supporting=
    until [[ $supporting == *'window id'* ]]; do
        if [[ -z $wm ]] || ! kill -0 "$wm" 2>/dev/null; then
            ((starts++ < 3)) || fail "no window manager after 3 starts: $(cat "$work/wm.err")"
            XDG_CONFIG_HOME="$work/config" openbox --sm-disable >>"$work/wm.err" 2>&1 &
            wm=$!
            local end=$(( ${EPOCHREALTIME/./} + patience * 1000000 ))
        fi
        (( ${EPOCHREALTIME/./} < end )) || fail "no window manager after $patience s"
        sleep 0.1
        supporting=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>&1) || true
    done
}

# Ends what a window test started, the game ($game) at once, the window
# manager ($wm) and the X server ($xvfb), and removes its folder; for
# `trap stop_window_test EXIT`.
stop_window_test() {
    [[ -n ${game:-} ]] && kill -KILL "$game" 2>/dev/null || true
    [[ -n ${wm:-} ]] && kill "$wm" 2>/dev/null || true
    [[ -n ${xvfb:-} ]] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}

# Sets whether the desktop's assistive technologies are on, as a screen
# reader does when it starts (true or false), on the accessibility bus of the
# session bus.
accessibility() {
    gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
        --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled "<$1>" >/dev/null
}

# Runs the test script again ($0, with its arguments $@) in network and mount
# namespaces of its own, where the ports it listens on are its own and
# nothing it says leaves the machine, with its X server's socket folder and
# keymap folder mounted afresh (see start_xvfb); there it returns.
enter_own_network() {
    if [[ -z ${KORVALO_OWN_NETWORK:-} ]]; then
        rm -rf "$work"
        export KORVALO_OWN_NETWORK=1
        mkdir -p -m 1777 /tmp/.X11-unix
        if [[ $(id -u) -eq 0 ]]; then exec unshare -nm "$0" "$@"; else exec unshare -rnm "$0" "$@"; fi
    fi
    mount -t tmpfs tmpfs /tmp/.X11-unix
    mount -t tmpfs tmpfs /var/lib/xkb
    ip link set lo up
}

# The 81 squares of the position the scenario driver reaches with a script
# (rows 1..9, columns a..i; 0 empty, 1..4 a colour).
position() {
    mkdir -p "$work/driver"
    rm -f "$work/driver/Korvalo.ini"
    printf '%s\nstate\n' "$1" | "$build/korvalo-script" --dir "$work/driver" --no-sound-library |
        sed -n 's/^row [1-9] //p' | tr -d '\n'
}

# The first square, in the driver's scan order, where a click after the
# script places a stone: one run of the driver clicks each square in turn
# and prints the position after each click (one that places no stone
# changes nothing), so the first position that differs names the square.
first_move() {
    local clicks="" column row
    for column in $(seq 1 9); do
        for row in $(seq 1 9); do clicks+=$'\nclick '"$column $row"$'\nstate'; done
    done
    mkdir -p "$work/driver"
    rm -f "$work/driver/Korvalo.ini"
    printf '%s\nstate%s\n' "$1" "$clicks" | "$build/korvalo-script" --dir "$work/driver" --no-sound-library |
        sed -n 's/^row [1-9] //p' | awk '
            { board = board $0 }
            NR % 9 == 0 { if (NR == 9) first = board; else if (!found && board != first) found = NR / 9 - 1; board = "" }
            END { if (found) print int((found - 1) / 9) + 1, (found - 1) % 9 + 1 }'
}

shot="$work/shot.png"
# The drawing area's origin on the screen: the first pure-green pixel is the
# top-left of square a1, at (1030, 730) twips = (69, 49) pixels.
origin() {
    import -window root "$shot"
    convert "$shot" -depth 8 -crop 300x300+0+0 +repage txt:- |
        awk -F'[,: ]+' '/#00FF00/ { print $1 - 69, $2 - 49; exit }'
}

# Square contents read from the screen, in the driver's order; ? for anything
# that is no square or stone.
read_board() {
    local ox oy
    read -r ox oy < <(origin) || { echo ""; return; }
    local format="" x y
    for row in $(seq 1 9); do
        for col in $(seq 1 9); do
            x=$(( ox + (400 + 630 * col + 315) / 15 )) y=$(( oy + (100 + 630 * row + 315) / 15 ))
            format+="%[fx:int(255*p{$x,$y}.r)],%[fx:int(255*p{$x,$y}.g)],%[fx:int(255*p{$x,$y}.b)] "
        done
    done
    convert "$shot" -format "$format" info: | awk -v RS=' ' -F, '
        NF == 3 {
            r = $1 + 0; g = $2 + 0; b = $3 + 0
            c = "?"
            if (r < 60 && g > 200 && b < 60) c = "0"
            else if (r < 60 && g < 60 && b < 60) c = "1"
            else if (r < 60 && g < 60 && b > 200) c = "2"
            else if (r > 200 && g > 200 && b > 200) c = "3"
            else if (r > 200 && g < 60 && b < 60) c = "4"
            printf "%s", c
        }
        END { print "" }'
}

# Waits for the screen to show position $1 while process $2 runs.
board=
board_shows() {
    board=$(read_board)
    [[ $board == "$1" ]] && return 0
    kill -0 "$2" 2>/dev/null || fail "the program ended"
    return 1
}
await_board() {
    wait_until "$patience" board_shows "$1" "$2" || fail "screen $board, expected $1"
}

# The visible windows of process $1: its main window, and its open menus and
# message boxes.
windows_of() {
    xdotool search --onlyvisible --pid "$1" --class '^Korvalo$' 2>/dev/null || true
}

# Waits until process $1 shows $2 open menus (windows besides the main one),
# so that keys go to the menu opened last.
shown=0
menus_shown() {
    shown=$(( $(windows_of "$1" | wc -l) - 1 ))
    (( shown == $2 )) && return 0
    kill -0 "$1" 2>/dev/null || fail "the program ended"
    return 1
}
await_menus() {
    wait_until "$patience" menus_shown "$1" "$2" || fail "$shown menus open, expected $2"
}

# Waits until a message box of process $1 (a window shown for the main one)
# has the keyboard, so that a key answers it.
box_has_keyboard() {
    local focus
    focus=$(xdotool getwindowfocus 2>/dev/null) || focus=
    [[ -n $focus ]] && windows_of "$1" | grep -qx "$focus" &&
        xprop -id "$focus" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' && return 0
    kill -0 "$1" 2>/dev/null || fail "the program ended"
    return 1
}
await_box() {
    wait_until "$patience" box_has_keyboard "$1" || fail "no message box has the keyboard"
}

# Clicks the centre of square (column, row) with the left button.
click_square() {
    local ox oy
    read -r ox oy < <(origin)
    xdotool mousemove $(( ox + (400 + 630 * $1 + 315) / 15 )) $(( oy + (100 + 630 * $2 + 315) / 15 )) click 1
}

# The horizontal centres of the dark marks along the menu bar, left to right:
# one or more for each item (対局, 局面, 戻, 進, ｵﾌﾟｼｮﾝ, その他).
menu_marks() {
    import -window root "$shot"
    convert "$shot" -crop 400x14+0+0 +repage -depth 8 txt:- | awk -F'[,: ]+' '
        NR > 1 { match($0, /\([ 0-9]+,[ 0-9]+,[ 0-9]+/); split(substr($0, RSTART + 1, RLENGTH - 1), v, ",")
                 if (v[1] + v[2] + v[3] < 300) dark[$1] = 1 }
        END { prev = -100; start = -1
              for (x = 0; x < 400; x++) if (x in dark) {
                  if (x - prev > 6) { if (start >= 0) printf "%d ", (start + prev) / 2; start = x }
                  prev = x }
              if (start >= 0) printf "%d", (start + prev) / 2; print "" }'
}

# The program's timing trace ($events, set by the test), and the number of
# its lines already waited for ($seen).
# Waits for the next event $1 (with details $2, if given) in the trace after
# those already waited for.
event_seen() {
    local at
    at=$(awk -v from="$seen" -v name="$1" -v details="${2-}" '
        NR > from && $1 == name && (details == "" || $4 == details) { print NR; exit }' "$events")
    [[ -n $at ]] && { seen=$at; return 0; }
    kill -0 "$game" 2>/dev/null || fail "the program ended before '$*'"
    return 1
}
await_event() {
    wait_until "$patience" event_seen "$@" || fail "no '$*' in the trace"
}
# Starts the program in the play folder ($play) with the given options, and waits
# until its window is on the screen and drawn.
start_game() {
    rm -f "$events"
    seen=0
    (cd "$play" && KORVALO_TRACE="$events" exec "$build/korvalo" "$@" 2>"$work/stderr") &
    game=$!
    # (Searched again and again: one search fails at once when a window it
    # looks at goes away meanwhile, as the toolkit's passing windows do.)
    wait_until "$patience" window_shown ||
        fail "no window after $patience s: $(tail -5 "$work/stderr")"
    await_event paint
}
window_shown() {
    [[ -n $(xdotool search --onlyvisible --pid "$game" --class '^Korvalo$' 2>/dev/null) ]] && return 0
    kill -0 "$game" 2>/dev/null || fail "the program ended before its window showed: $(cat "$work/stderr")$(x_server_said)"
    return 1
}

# Chooses 4_PLAY through the menu with the keys of process $game and answers
# the greeting; returns once the window takes input again.
choose_four_persons() {
    xdotool mousemove 20 6 click 1  # 対局
    await_menus "$game" 1
    xdotool key Down Right
    await_menus "$game" 2
    xdotool key Down Down Return
    await_event command PLAY_4
    await_box "$game"
    xdotool key Return  # answers "下の番です"
    await_event idle
}

# Waits until the program's window ($game) has the keyboard.
window_has_keyboard() {
    local focus
    focus=$(xdotool getwindowfocus 2>/dev/null) || return 1
    windows_of "$game" | grep -qx "$focus"
}
await_keyboard() { wait_until "$patience" window_has_keyboard || fail "the window never had the keyboard"; }

# Whether process $1 runs: neither gone nor ended and waiting to be reaped.
running() { local state=; read -r _ _ state _ 2>/dev/null <"/proc/$1/stat" && [[ $state != Z ]]; }
not_running() { ! running "$1"; }
# Waits until the program ($game) has ended, and fails unless it ended with
# status 0 (or $1, when given): in the sanitizer build a leak found at exit
# ends it otherwise. If it does not end, what each of its threads was doing
# is told.
await_end() {
    if ! wait_until "$patience" not_running "$game"; then
        fail "the program did not end within $patience s: $(gdb -p "$game" -batch -ex 'thread apply all bt' 2>&1 |
            grep -E '^(Thread|#)')"
    fi
    local status=0
    wait "$game" || status=$?
    game=
    ((status == 0 || status == ${1:-0})) || fail "the program ended with status $status: $(tail -20 "$work/stderr")"
}
# Asks the program to end, as the desktop does, and waits until it has. A
# window that does not close at once (a box is open) ends by the signal.
end_game() {
    kill -TERM "$game"
    await_end $(( 128 + 15 ))
}
