#!/usr/bin/env python3
# The peers of bench/network_abuse.sh (see there): real korvalo windows on
# loopback, and hostile peers speaking the protocol against them.
#
#   python3 bench/network_abuse.py BUILD_FOLDER [CASE...]
import hashlib
import os
import resource
import socket
import subprocess
import sys
import tempfile
import time

BUILD = sys.argv[1]
CASES = sys.argv[2:] or ["joins", "flood", "strangers", "codes", "host", "script"]
KORVALO = os.path.join(BUILD, "korvalo")
SCRIPT = os.path.join(BUILD, "korvalo-script")
CODE = "bench-abuse"
FOLDER = tempfile.mkdtemp(prefix="korvalo-abuse-")
started = []


def version():
    out = subprocess.run([SCRIPT, "--version"], capture_output=True, text=True).stdout
    return out.split()[-1]


VERSION = version()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(test, seconds, step=0.05):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if test():
            return True
        time.sleep(step)
    return test()


class Window:
    """A korvalo window started in a folder of its own."""

    def __init__(self, name, args, settings=None):
        self.folder = os.path.join(FOLDER, name)
        os.makedirs(self.folder, exist_ok=True)
        if settings is not None:
            with open(os.path.join(self.folder, "Korvalo.ini"), "wb") as f:
                f.write(settings)
        self.err_path = os.path.join(self.folder, "stderr")
        with open(self.err_path, "wb") as err, open(os.path.join(self.folder, "stdout"), "wb") as out:
            self.proc = subprocess.Popen([KORVALO] + args, cwd=self.folder, stdout=out, stderr=err)
        started.append(self)

    def alive(self):
        return self.proc.poll() is None

    def windows(self):
        """The ids of the window's visible top-level windows and boxes."""
        r = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.proc.pid), "--classname", "korvalo"],
                           capture_output=True, text=True)
        return r.stdout.split()

    def titles(self):
        """The title and size of each (a box by its size)."""
        names = []
        for w in self.windows():
            r = subprocess.run(["xdotool", "getwindowname", w], capture_output=True, text=True)
            g = subprocess.run(["xdotool", "getwindowgeometry", w], capture_output=True, text=True)
            names.append(r.stdout.strip() + " " + (g.stdout.split() or ["gone"])[-1])
        return names

    def memory(self):
        """VmRSS and VmHWM in MiB."""
        values = {}
        with open(f"/proc/{self.proc.pid}/status") as f:
            for line in f:
                key, _, rest = line.partition(":")
                if key in ("VmRSS", "VmHWM"):
                    values[key] = int(rest.split()[0]) / 1024
        return values.get("VmRSS", 0), values.get("VmHWM", 0)

    def stderr(self):
        with open(self.err_path, "rb") as f:
            return f.read()

    def settings(self):
        try:
            with open(os.path.join(self.folder, "Korvalo.ini"), "rb") as f:
                return hashlib.sha256(f.read()).hexdigest()
        except FileNotFoundError:
            return None

    def stop(self):
        if self.alive():
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Peer:
    """A connection that speaks the protocol by hand."""

    def __init__(self, port, source="127.0.0.1", timeout=10):
        self.s = socket.create_connection(("127.0.0.1", port), timeout, source_address=(source, 0))
        self.buf = b""

    def send(self, line):
        data = line if isinstance(line, bytes) else line.encode()
        self.s.sendall(data + b"\n")

    def line(self, timeout=10):
        """The next line, or None when the connection is closed or silent."""
        self.s.settimeout(timeout)
        while b"\n" not in self.buf:
            try:
                chunk = self.s.recv(65536)
            except (socket.timeout, OSError):
                return None
            if not chunk:
                return None
            self.buf += chunk
        line, _, self.buf = self.buf.partition(b"\n")
        return line.decode(errors="replace")

    def hello(self, code=CODE, seat="any"):
        self.send(f"hello korvalo 1 {VERSION} {code} {seat}")
        return self.line()

    def until(self, word, timeout=10):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            line = self.line(max(0.01, end - time.monotonic()))
            if line is None or line.startswith(word):
                return line
        return None

    def close(self):
        self.s.close()


def host_window(name, settings=None):
    """A hosting window that seats four persons, and its port once it listens."""
    port = free_port()
    seating = os.path.join(FOLDER, name + "-seating.txt")
    with open(seating, "w") as f:
        f.write("menu PLAY_4\n")
    host = Window(name, ["--host", "--no-port-mapping", "--port", str(port), "--code", CODE, "--replay", seating],
                  settings)

    def listens():
        try:
            socket.create_connection(("127.0.0.1", port), 1).close()
            return True
        except OSError:
            return False

    if not wait_for(listens, 30, 0.2):
        sys.exit(f"the hosting window did not listen on {port}: {host.stderr().decode(errors='replace')}")
    return host, port


def joined_window(name, port, seat="blue", settings=None):
    window = Window(name, ["--join", f"127.0.0.1:{port}", "--code", CODE, "--seat", seat], settings)
    if not wait_for(lambda: any("人)" in t for t in window.titles()), 30, 0.2):
        sys.exit(f"{name} did not join: {window.stderr().decode(errors='replace')}")
    return window


def case_joins():
    host, port = host_window("joins-host")
    joined = joined_window("joins-joined", port)
    most = {"host": len(host.windows()), "joined": len(joined.windows())}
    shown = {"host": host.titles(), "joined": joined.titles()}
    welcomed = 0
    start = time.monotonic()
    for i in range(300):
        p = Peer(port)
        if p.hello() == "welcome" and p.until("caught-up", 5) is not None:
            welcomed += 1
        if i % 2 == 0:
            p.send("bye")
        p.close()
        if i % 10 == 9:
            for name, w in (("host", host), ("joined", joined)):
                titles = w.titles()
                if len(titles) > most[name]:
                    most[name], shown[name] = len(titles), titles
    took = time.monotonic() - start
    time.sleep(2)
    most["host"] = max(most["host"], len(host.windows()))
    most["joined"] = max(most["joined"], len(joined.windows()))
    print(f"joins: 300 joins and leaves (every other one by bye, the rest by a dropped socket) in {took:.1f} s, "
          f"{welcomed} welcomed and caught up")
    for name, w in (("hosting", host), ("joined", joined)):
        print(f"joins:   {name} window {'running' if w.alive() else 'ENDED'}, at most {most[name.replace('hosting', 'host')]}"
              f" top-level windows at once ({', '.join(shown[name.replace('hosting', 'host')])}), {len(w.windows())} now;"
              f" memory {w.memory()[0]:.0f} MiB")
    host.stop()
    joined.stop()


def hold_gate(host):
    """Reads every box out at the host, then opens its about box (その他, clicked
    on the menu bar), which holds the host's event gate while it is open."""
    for _ in range(10):
        boxes = host.windows()[1:]
        if not boxes:
            break
        subprocess.run(["xdotool", "windowfocus", "--sync", boxes[-1], "key", "Return"], capture_output=True)
        time.sleep(0.3)
    subprocess.run(["xdotool", "mousemove", "200", "6", "click", "1"], capture_output=True)
    return wait_for(lambda: len(host.windows()) == 2, 5)


def case_flood():
    host, port = host_window("flood-host")
    held = hold_gate(host)
    before = host.memory()
    sent, closings = 0, 0
    start = time.monotonic()
    p = None
    while time.monotonic() - start < 20:  # 2,000 lines a second for 20 s, joining again when let go
        if p is None:
            p = Peer(port)
            p.hello(seat="blue")
            p.until("caught-up")
        try:
            p.s.sendall(b"move press 0 0\n" * 100)
            sent += 100
        except OSError:
            closings += 1
            p.close()
            p = None
        time.sleep(0.05)
    if p:
        p.close()
    after = host.memory()
    reasons = [l for l in host.stderr().decode(errors="replace").splitlines() if "closed:" in l and "left the" not in l]
    print(f"flood: {sent} 'move press 0 0' lines in 20 s from a peer seated as blue, the host's about box "
          f"{'open' if held else 'NOT OPEN'}; the host let it go {closings} times"
          + (f" ('{reasons[-1].split('closed: ')[-1]}')" if reasons else ""))
    print(f"flood:   host VmRSS {before[0]:.0f} -> {after[0]:.0f} MiB, VmHWM {before[1]:.0f} -> {after[1]:.0f} MiB")
    # 200 strangers, from 50 loopback addresses, each sending 2 MiB of line feeds.
    before = host.memory()
    start = time.monotonic()
    peers, refused, written, closed = [], 0, 0, 0
    for i in range(200):
        try:
            peers.append(Peer(port, f"127.0.3.{1 + i % 50}"))
        except OSError:
            refused += 1
    left = {p: 2 << 20 for p in peers}
    for p in peers:
        p.s.setblocking(False)
    while left and time.monotonic() - start < 60:
        progress = 0
        for p in list(left):
            try:
                n = p.s.send(b"\n" * min(left[p], 65536))
                written, progress, left[p] = written + n, progress + n, left[p] - n
                if left[p] == 0:
                    del left[p]
            except BlockingIOError:
                pass
            except OSError:
                closed += 1
                del left[p]
        if not progress:
            time.sleep(0.01)
    peak = host.memory()
    for p in peers:
        p.close()
    time.sleep(1)
    after = host.memory()
    print(f"flood: 200 strangers ({refused} not connected) wrote {written / 2**20:.0f} MiB of line feeds in "
          f"{time.monotonic() - start:.1f} s; the host closed {closed} of them before all 2 MiB were written, "
          f"{len(left)} were still writing at 60 s")
    print(f"flood:   host VmRSS {before[0]:.0f} -> {peak[0]:.0f} (while they wrote) -> {after[0]:.0f} MiB, "
          f"VmHWM {before[1]:.0f} -> {after[1]:.0f} MiB; host {'running' if host.alive() else 'ENDED'}")
    host.stop()


def case_strangers():
    host, port = host_window("strangers-host")
    p = Peer(port)
    start = time.monotonic()
    closed = None
    while time.monotonic() - start < 20:
        try:
            p.send("ping")
        except OSError:
            closed = time.monotonic() - start
            break
        if p.line(1) is None and p.s.fileno() >= 0:
            try:
                if p.s.recv(1, socket.MSG_PEEK | socket.MSG_DONTWAIT) == b"":
                    closed = time.monotonic() - start
                    break
            except BlockingIOError:
                pass
            except OSError:
                closed = time.monotonic() - start
                break
    p.close()
    print("strangers: a stranger pinging every second without greeting was "
          + (f"let go after {closed:.1f} s" if closed else "still held after 20 s"))
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, 4096), hard))
    crowd, failed = [], 0
    start = time.monotonic()
    for i in range(1100):
        try:
            crowd.append(Peer(port, "127.0.0.1", 2))
        except OSError:
            failed += 1
    cpu0 = cpu_seconds(host)
    joiner = Window("strangers-joined", ["--join", f"127.0.0.1:{port}", "--code", CODE, "--seat", "blue"])
    t0 = time.monotonic()
    joined = wait_for(lambda: any("人)" in t for t in joiner.titles()), 30, 0.2)
    took = time.monotonic() - t0
    cpu = cpu_seconds(host) - cpu0
    still = 0
    for c in crowd:
        try:
            still += c.s.recv(1, socket.MSG_PEEK | socket.MSG_DONTWAIT) != b""
        except BlockingIOError:
            still += 1
        except OSError:
            pass
        c.close()
    print(f"strangers: 1,100 strangers connected ({failed} failed), {still} of them still open when the window had "
          f"joined; a real window {'joined in %.1f s' % took if joined else 'DID NOT JOIN in 30 s'}; "
          f"host CPU meanwhile {cpu:.2f} s")
    joiner.stop()
    host.stop()


def cpu_seconds(window):
    with open(f"/proc/{window.proc.pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def case_codes():
    host, port = host_window("codes-host")
    answers = {}
    tries = 0
    start = time.monotonic()
    while time.monotonic() - start < 10:
        tries += 1
        try:
            p = Peer(port, "127.0.0.7", 2)
            answer = p.hello(code="wrong-code") or "(closed)"
            p.close()
        except OSError:
            answer = "(not connected)"
        key = "refused wait N" if answer.startswith("refused wait") else answer
        answers[key] = answers.get(key, 0) + 1
    friend = Peer(port, "127.0.0.8")
    friend_answer = friend.hello()
    friend.close()
    print(f"codes: {tries} greetings with a wrong code from one address in 10 s: "
          + ", ".join(f"{n} x '{a}'" for a, n in sorted(answers.items(), key=lambda x: -x[1])))
    print(f"codes:   then a friend on another address with the right code: '{friend_answer}'")
    host.stop()


def fake_host(bad, settings):
    """A joined window whose host sends it one line no host sends."""
    server = socket.create_server(("127.0.0.1", 0))
    port = server.getsockname()[1]
    window = Window("fake-" + hashlib.sha256(bad).hexdigest()[:8], ["--join", f"127.0.0.1:{port}", "--code", CODE,
                                                                    "--seat", "blue"], settings)
    server.settimeout(30)
    conn, _ = server.accept()
    conn.recv(4096)
    conn.sendall(b"welcome\ncaught-up\nseat blue\nplayers 2\n")
    wait_for(lambda: any("人)" in t for t in window.titles()), 30, 0.2)
    before = window.settings()
    conn.sendall(bad + b"\n")
    time.sleep(3)
    conn.settimeout(1)
    try:
        closed = conn.recv(4096) == b""
    except (socket.timeout, OSError):
        closed = False
    result = (window.alive(), before == window.settings(), closed, len(window.windows()), window.stderr())
    window.stop()
    conn.close()
    server.close()
    return result


def case_host():
    settings = "手順番号表示=NG\r\nｱｲｺﾝ表示=NG\r\nBGM=NG\r\n".encode("shift_jis")
    terminal = b""
    for bad in (b"input host menu TEJYUN", b"input host menu AICON", b"input host menu BGM",
                b"input host menu SONOTA", b"input host close", b"input host key 27", b"input host menu EXIT",
                b"input host \x1b]0;owned\x07 \x1b[2J", b"\x1b]0;owned\x07"):
        alive, same, closed, boxes, err = fake_host(bad, settings)
        terminal += err
        shown = bad.decode().encode("unicode_escape").decode()
        print(f"host: '{shown}': window {'running' if alive else 'ENDED'}, settings file "
              f"{'unchanged' if same else 'CHANGED'}, connection {'closed' if closed else 'open'}, {boxes} windows")
    # A joined peer sends the host control bytes.
    host, port = host_window("control-host")
    p = Peer(port)
    p.hello(seat="blue")
    p.until("caught-up")
    p.send(b"move \x1b]0;owned\x07")
    time.sleep(1)
    p.close()
    for i in range(20):
        p = Peer(port)
        p.send(b"\x1b]0;owned\x07 \x1b[2J")
        p.close()
    time.sleep(1)
    terminal += host.stderr()
    host.stop()
    esc, bel = terminal.count(b"\x1b"), terminal.count(b"\x07")
    escaped = terminal.count(rb"\x1b")
    print(f"host: ESC bytes on the windows' terminals: {esc}, BEL bytes: {bel} (of {len(terminal)} bytes written there; "
          f"ESC written as \\x1b {escaped} times)")


def case_script():
    path = os.path.join(FOLDER, "numbers.txt")
    with open(path, "w") as f:
        f.write("menu JYUNBAN_1\npress 1e308 -1e308\nrelease 1e308 -1e308\n")
    r = subprocess.run([SCRIPT, "--no-sound-device", path], capture_output=True, text=True, cwd=FOLDER)
    print(f"script: 'press 1e308 -1e308' on line 2: status {r.returncode}, '{r.stderr.strip()}'")


try:
    for case in CASES:
        globals()["case_" + case]()
finally:
    for w in started:
        w.stop()
