#!/usr/bin/python3
# The game's window as a screen reader hears it, through the accessibility
# bus (AT-SPI): each command waits, up to a deadline, for what it names and
# fails (status 1, saying what it heard) when it does not come.
#   screen_reader.py PID board DIGITS      the 81 cells name the stones of DIGITS
#                                          (rows 1..9 of columns a..i, 0 empty)
#   screen_reader.py PID turn TEXT         the turn line reads TEXT
#   screen_reader.py PID description RE    the board's description matches RE
#   screen_reader.py PID focus NAME        the focused cell is NAME
#   screen_reader.py PID play SQUARE NAME DIGITS KEY...
#        sends the keys and waits until the cell SQUARE tells the bus that its
#        name changed to NAME, and until every cell that differs from DIGITS
#        (the position after the computer's replies) has told its new name and
#        the board names DIGITS; prints the milliseconds from the last key to
#        SQUARE's news, and the time of the news (CLOCK_MONOTONIC, ns)
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

deadline = time.monotonic() + float(120)
colours = ["空", "黒", "青", "白", "赤"]


def fail(why):
    print("FAIL: " + why, file=sys.stderr)
    sys.exit(1)


def window(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def find(accessible, role, depth=0):
    if accessible is None or depth > 6:
        return None
    if accessible.getRole() == role:
        return accessible
    if accessible.getRole() == pyatspi.ROLE_MENU_BAR:
        return None
    for child in accessible:
        found = find(child, role, depth + 1)
        if found is not None:
            return found
    return None


def parts(pid):
    """The board's table and its turn line, once the window shows them."""
    while True:
        try:
            app = window(pid)
            table = find(app, pyatspi.ROLE_TABLE)
            if table is not None and table.childCount == 81:
                turn = find(table.parent, pyatspi.ROLE_LABEL)
                return table, turn
        except GLib.GError:
            pass  # a window going away while it was looked at
        if time.monotonic() > deadline:
            fail("no board of 81 cells on the bus")
        time.sleep(0.1)


def names(table):
    told = []
    for cell in table:
        cell.clearCache()
        told.append(cell.name)
    return told


def expected_names(digits):
    return ["%s%d %s" % ("abcdefghi"[i % 9], i // 9 + 1, colours[int(d)]) for i, d in enumerate(digits)]


def await_true(what, check):
    while True:
        result = check()
        if result is True:
            return
        if time.monotonic() > deadline:
            fail("%s: heard %s" % (what, result))
        time.sleep(0.05)


def cell_index(square):
    return (int(square[1]) - 1) * 9 + "abcdefghi".index(square[0])


def listen(table, action, done):
    """Runs action while listening to the names that change; returns the
    changes heard (cell index, name, time) once done(changes) holds."""
    heard = []
    cells = {cell_index(c.name.split()[0]): c for c in table}

    def on_name(event):
        for index, cell in cells.items():
            if event.source == cell:
                cell.clearCache()
                heard.append((index, cell.name, time.monotonic()))

    def look():
        if done(heard) or time.monotonic() > deadline:
            pyatspi.Registry.stop()
            return False
        return True

    pyatspi.Registry.registerEventListener(on_name, "object:property-change:accessible-name")
    # One question to the window after the listener is registered, so that
    # it has heard of the listener before the keys come.
    table.clearCache()
    table.name
    GLib.idle_add(lambda: action() and False)
    GLib.timeout_add(20, look)
    pyatspi.Registry.start()
    pyatspi.Registry.deregisterEventListener(on_name, "object:property-change:accessible-name")
    return heard


def main():
    pid, command, args = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    table, turn = parts(pid)
    if command == "board":
        expected = expected_names(args[0])
        await_true("the board", lambda: names(table) == expected or " ".join(names(table)))
    elif command == "turn":
        await_true("the turn line", lambda: (turn.clearCache(), turn.name)[1] == args[0] or turn.name)
    elif command == "description":
        await_true("the description",
                   lambda: re.fullmatch(args[0], (table.clearCache(), table.description)[1]) is not None or table.description)
    elif command == "focus":
        def focused():
            for cell in table:
                if cell.getState().contains(pyatspi.STATE_FOCUSED):
                    return cell.name == args[0] or cell.name
            return "no focused cell"
        await_true("the focus", focused)
    elif command == "play":
        index, name, expected = cell_index(args[0]), args[1], expected_names(args[2])
        before = names(table)
        changing = {i for i in range(81) if before[i] != expected[i]}
        sent = []

        def keys():
            subprocess.run(["xdotool", "key", "--delay", "50"] + args[3:], check=True)
            sent.append(time.monotonic())

        def done(heard):
            told = {i for i, n, _ in heard if n == expected[i]}
            return any(i == index and n == name for i, n, _ in heard) and changing <= told
        heard = listen(table, keys, done)
        told = [t for i, n, t in heard if i == index and n == name]
        if not told:
            fail("no name %s from %s: heard %s" % (name, args[0], [n for _, n, _ in heard]))
        missing = changing - {i for i, n, _ in heard if n == expected[i]}
        if missing:
            fail("no change heard from %s" % sorted(expected[i] for i in missing))
        await_true("the board", lambda: names(table) == expected or " ".join(names(table)))
        print("%.0f %d" % ((told[0] - sent[0]) * 1000, told[0] * 1e9))
    else:
        fail("unknown command " + command)


main()
