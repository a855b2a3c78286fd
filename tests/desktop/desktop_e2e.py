#!/usr/bin/env python3
"""The game on a real X server (Xvfb), played with xdotool as a person would.

    desktop_e2e.py --game EXE --pictures DIR --work DIR (session | fullscreen)

session: in a window, one game from the splash on: the splash click starts
it, the title shows (not black), Alt+Enter switches to full screen and back,
an instant xdotool click is counted as a shot, losing the focus pauses and
getting it back resumes, F12 writes the frame on screen as a PNG, Escape
ends the game with 0 and Score.dat as it was, and the recorded session
replays headless (and in the window) to the same trace.

fullscreen: full screen, the pointer confined, and losing the focus ends the
game as it always did.

window_manager: 2560 x 1440 under openbox: the window and its frame fit the
screen, the last row can be aimed at, the window keeps 640 x 480 at least,
and the click that brings a paused window back is not a shot.

Every wait is for a condition (a trace line, a window, a file) with a
generous limit; only "nothing happens while paused" needs a fixed look.
"""
import argparse
import json
import os
import shutil
import struct
import subprocess
import sys
import time
import zlib

LIMIT = 60.0  # seconds any one condition may take on a loaded machine
RUNNING = []  # the games started, ended on any failure
SCORES = bytes(range(1, 47))  # from an earlier game: must come out unchanged


def fail(message):
    print("FAIL: " + message, flush=True)
    for proc in RUNNING:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)


def ok(step):
    print("ok: " + step, flush=True)


def wait_for(what, condition, limit=LIMIT, explain=None):
    end = time.monotonic() + limit
    while not (value := condition()):
        if time.monotonic() > end:
            fail("timed out waiting for " + what +
                 ("\n" + explain() if explain else ""))
        time.sleep(0.02)
    return value


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


# The window manager of the test running, if any, and its output.
WINDOW_MANAGER = []


def manager_state():
    if not WINDOW_MANAGER:
        return ""
    wm, log = WINDOW_MANAGER
    log.flush()
    log.seek(0)
    code = wm.poll()
    return "\nthe window manager: %s; it said:\n%s" % (
        "running" if code is None else "ended with %d" % code, log.read())


class Xvfb:
    """A virtual screen on a display number of its own choosing."""

    def __init__(self, width, height):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (width, height), "-nolisten", "tcp",
             # Without it the server starts afresh when its last client
             # leaves (the xdpyinfo below): a client connecting meanwhile,
             # the window manager or the game, is turned away.
             "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        check(number, "Xvfb did not start")
        self.display = ":" + number
        # Its number is out before it answers everyone: wait until it does.
        wait_for("the X server to answer", lambda: subprocess.run(
            ["xdpyinfo", "-display", self.display],
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL).returncode == 0)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait()


class Session:
    def __init__(self, args, xvfb, name, game_args):
        self.args, self.game_args = args, game_args
        self.dir = os.path.join(args.work, name)
        shutil.rmtree(self.dir, ignore_errors=True)
        self.home = os.path.join(self.dir, "home")
        self.user = os.path.join(self.home, ".local/share/tumblesquash")
        os.makedirs(self.user)
        self.env = {k: v for k, v in os.environ.items() if k not in
                    ("XDG_DATA_HOME", "XDG_CONFIG_HOME", "WAYLAND_DISPLAY")}
        self.env.update(HOME=self.home, DISPLAY=xvfb.display,
                        SDL_AUDIODRIVER="dummy", TUMBLESQUASH_FPS="1")
        if "ASAN_OPTIONS" in self.env:
            # What a real window leaves at exit belongs to the system's
            # libraries (D-Bus, the GL driver), not to the game: the game's
            # own leaks are checked by the headless suite.
            self.env["ASAN_OPTIONS"] += ":detect_leaks=0"
        self.trace = os.path.join(self.dir, "trace.jsonl")
        self._trace_at, self._lines = 0, []  # the trace read so far
        self.out = open(os.path.join(self.dir, "stdout.txt"), "w")
        self.err = open(os.path.join(self.dir, "stderr.txt"), "w")

    def start(self):
        self.proc = subprocess.Popen(
            [self.args.game, "--data", self.args.pictures, "--trace",
             self.trace] + self.game_args,
            cwd=self.dir, env=self.env, stdout=self.out, stderr=self.err)
        RUNNING.append(self.proc)

    def run(self, *command):
        return subprocess.run(command, env=self.env, capture_output=True,
                              text=True).stdout.strip()

    def x(self, *args):
        return self.run("xdotool", *args)

    def window(self):
        """The game's window (the start-up one before the click)."""
        def find():
            if self.proc.poll() is not None:
                fail("the game ended early:\n" + self.log())
            ids = self.x("search", "--onlyvisible", "--name",
                         "^TumbleSquash").split()
            return ids[-1] if ids else None
        return wait_for("the game's window", find, explain=lambda: (
            "windows on the screen:\n%s\nthe game's last trace line: %s\n"
            "the game said:\n%s%s" % (
                self.run("xwininfo", "-root", "-tree"),
                (self.lines() or ["none"])[-1], self.log(),
                manager_state())))

    def geometry(self, window):
        info = self.run("xwininfo", "-id", window)
        return tuple(int(info.split(field + ":")[1].split()[0]) for field in
                     ("Absolute upper-left X", "Absolute upper-left Y",
                      "Width", "Height"))

    def focus_root(self):
        root = self.run("xwininfo", "-root")
        self.x("windowfocus", root.split("Window id: ")[1].split()[0])

    def lines(self):
        """The trace so far; only what is new since the last call is read
        (polled every 20 ms, the whole file would soon cost more than the
        game on a busy machine)."""
        if not os.path.exists(self.trace):
            return []
        with open(self.trace, "rb") as f:
            f.seek(self._trace_at)
            new = f.read()
        whole = new[:new.rfind(b"\n") + 1]
        self._trace_at += len(whole)
        self._lines += [json.loads(l) for l in whole.split(b"\n")[:-1]]
        return self._lines

    def frames(self):
        return len(self.lines())

    def wait_scene(self, scene):
        return wait_for(scene, lambda: next(
            (l for l in reversed(self.lines()) if l["next"] == scene), None))

    def screenshot(self, window):
        """The window's pixels from the X server, as RGB rows."""
        raw = subprocess.run(["xwd", "-silent", "-id", window], env=self.env,
                             capture_output=True).stdout
        head = struct.unpack(">25I", raw[:100])
        size, width, height, order, bpp, stride, ncolors = (
            head[i] for i in (0, 4, 5, 7, 11, 12, 19))
        check(bpp == 32, "unexpected xwd depth %d" % bpp)
        data = raw[size + 12 * ncolors:]
        pixels = b"".join(data[y * stride:y * stride + 4 * width]
                          for y in range(height))
        rgb, n = bytearray(3 * width * height), 3 * width
        # Each pixel is B G R x with the low byte first, else x R G B.
        for k, at in enumerate((2, 1, 0) if order == 0 else (1, 2, 3)):
            rgb[k::3] = pixels[at::4]
        return [bytes(rgb[y * n:(y + 1) * n]) for y in range(height)]

    def log(self):
        self.err.flush()
        return read(self.err.name).decode()

    def finish(self, limit=LIMIT):
        try:
            return self.proc.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            fail("the game did not end")


def read_png(path):
    """An 8-bit RGB PNG's rows, its filters undone."""
    data = read(path)
    width, height, depth, colour = struct.unpack(">IIBB", data[16:26])
    check(data[:16] == b"\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR" and
          (depth, colour) == (8, 2), path + " is not an 8-bit RGB PNG")
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IDAT":
            idat += data[pos + 8:pos + 8 + length]
        pos += 12 + length
    raw, n = zlib.decompress(idat), 3 * width + 1
    rows, up = [], bytes(n - 1)
    for y in range(height):
        kind, line = raw[y * n], bytearray(raw[y * n + 1:(y + 1) * n])
        for i in range(n - 1):
            a, b, c = (line[i - 3], up[i], up[i - 3]) if i >= 3 else (
                0, up[i], 0)
            if kind < 4:
                line[i] = (line[i] + (0, a, b, (a + b) // 2)[kind]) & 255
            else:  # Paeth: the nearest of a, b, c to a + b - c
                p = a + b - c
                line[i] = (line[i] + min(
                    (a, b, c), key=lambda v: abs(p - v))) & 255
        up = bytes(line)
        rows.append(up)
    return rows


def lit_share(rows):
    """The share of pixels that are not black."""
    pixels = [sum(row[i:i + 3]) > 30 for row in rows[::4]
              for i in range(0, len(row), 12)]
    return sum(pixels) / max(len(pixels), 1)



def start_a_game(s, game, scale):
    """Clicks through the title to the menu, then on Start (330, 206 in game
    pixels), in a window showing the game at `scale`."""
    s.x("mousemove", "--window", game, str(320 * scale), str(240 * scale))
    def menu():
        if s.lines()[-1]["next"] == "MenuScene":
            return True
        s.x("click", "1")
        time.sleep(0.1)
        return False
    wait_for("the menu", menu)
    s.x("mousemove", "--window", game, str(330 * scale), str(206 * scale))
    wait_for("the pointer on Start",
             lambda: s.lines()[-1]["in"][:2] == [330, 206])
    s.x("click", "1")
    s.wait_scene("PlayScene")

def session(args):
    with Xvfb(1280, 1024) as xvfb:
        run_session(args, xvfb)


def run_session(args, xvfb):
    recording = os.path.join(args.work, "session", "recorded.txt")
    s = Session(args, xvfb, "session",
                ["--window", "--scale", "1", "--record", recording])
    score_file = os.path.join(s.user, "Score.dat")
    write(score_file, SCORES)
    s.start()

    # The start-up window waits for a click; the first frame follows it.
    splash = s.window()
    check(s.frames() == 0, "frames ran before the click")
    s.x("mousemove", "--window", splash, "240", "120", "click", "1")
    wait_for("the first frame", lambda: s.frames() > 0)
    game = s.window()
    check(s.geometry(game)[2:] == (640, 480),
          "the window is %s, not 640 x 480" % (s.geometry(game),))
    s.x("windowfocus", "--sync", game)
    ok("a click on the splash starts the game")

    # The title, on screen and not black.
    s.wait_scene("TitleScene")
    wait_for("the title's lettering",
             lambda: lit_share(s.screenshot(game)) > 0.9)
    ok("the title is on screen")

    # Alt+Enter: full screen (the whole 1280 x 1024) and back, no frame lost.
    before = s.frames()
    s.x("key", "alt+Return")
    wait_for("full screen", lambda: s.geometry(game) == (0, 0, 1280, 1024))
    s.x("key", "alt+Return")
    wait_for("the window again", lambda: s.geometry(game)[2:] == (640, 480))
    frames = [l["frame"] for l in s.lines()]
    check(frames == list(range(1, len(frames) + 1)) and len(frames) > before,
          "frames missing around the switch")
    ok("Alt+Enter switches to full screen and back")

    # To the menu and into a game.
    s.x("windowfocus", "--sync", game)
    start_a_game(s, game, 1)

    # An instant click, press and release in one go, is a shot.
    for n in (1, 2, 3):
        s.x("click", "1")
        wait_for("shot %d" % n,
                 lambda: s.lines()[-1]["g"]["ShotCount"] == n, limit=10)
    ok("instant clicks are counted as shots")

    # Losing the focus pauses (no scene calls), getting it back resumes.
    s.focus_root()
    wait_for("the pause", lambda: "paused" in s.x("getwindowname", game))
    paused_at = s.frames()
    time.sleep(0.5)
    check(s.frames() == paused_at, "scenes ran while paused")
    s.x("windowfocus", "--sync", game)
    wait_for("the game to go on", lambda: s.frames() > paused_at + 30)
    check("paused" not in s.x("getwindowname", game),
          "the title still says paused")
    ok("losing the focus in a window pauses, getting it back resumes")

    # The boss key holds a still picture: F12's PNG must equal the screen.
    s.x("click", "3")
    s.wait_scene("BossKeyScene")
    time.sleep(0.3)
    s.x("key", "F12")
    def written():
        s.out.flush()
        said = read(s.out.name).decode().split("tumblesquash: screenshot ")
        return said[1].split("\n")[0].strip() if len(said) > 1 else None
    png = wait_for("the screenshot", written)
    check(os.path.dirname(png) == os.path.join(s.user, "screenshots") and
          os.path.isfile(png), "screenshot at " + png)
    shot, screen = read_png(png), s.screenshot(game)
    sizes = [(len(rows[0]) // 3, len(rows)) for rows in (shot, screen)]
    check(sizes == [(640, 480)] * 2, "sizes %s" % sizes)
    check(shot == screen, "the screenshot differs from the screen in %d rows"
          % sum(a != b for a, b in zip(shot, screen)))
    check(lit_share(shot) >= 0.5, "the screenshot is black")
    ok("F12 writes the frame on screen as a PNG")

    # Escape ends the game: exit code 0, the scores untouched.
    s.x("click", "3")
    s.wait_scene("PlayScene")
    s.x("key", "Escape")
    code = s.finish()
    check(code == 0, "Escape ended the game with %d" % code)
    check(read(score_file) == SCORES, "Score.dat changed")
    ok("Escape exits with 0 and Score.dat intact")

    # The recording replays headless to the very same trace.
    with open(recording) as f:
        first = f.readline().split()
    check(first[:2] == ["#", "seed"],
          "the recording does not begin with its seed")
    replay = os.path.join(args.work, "replay")
    shutil.rmtree(replay, ignore_errors=True)
    os.makedirs(replay)
    write(os.path.join(replay, "Score.dat"), SCORES)
    subprocess.run([args.game, "--headless", "--seed", first[2], "--input",
                    recording, "--trace", "trace.jsonl", "--data",
                    args.pictures], cwd=replay, check=True)
    check(read(s.trace) == read(os.path.join(replay, "trace.jsonl")),
          "the headless replay's trace differs")
    ok("the recorded session replays headless to the same trace")

    # And in the window, its input in place of the mouse.
    w = Session(args, xvfb, "window_replay",
                ["--window", "--replay", recording])
    write(os.path.join(w.user, "Score.dat"), SCORES)
    w.start()
    check(w.finish(limit=LIMIT * 3) == 0,
          "the window replay failed:\n" + w.log())
    check(read(s.trace) == read(w.trace), "the window replay's trace differs")
    ok("the recorded session replays in the window to the same trace")


def fullscreen(args):
    with Xvfb(1024, 768) as xvfb:
        s = Session(args, xvfb, "fullscreen", ["--fullscreen"])
        s.start()
        splash = s.window()
        # The starting click is held while the windows change: its release
        # falls between them, and the next click must count all the same.
        s.x("mousemove", "--window", splash, "240", "120", "mousedown", "1")
        time.sleep(0.3)
        s.x("mouseup", "1")
        wait_for("the first frame", lambda: s.frames() > 0)
        game = s.window()
        wait_for("full screen", lambda: s.geometry(game) == (0, 0, 1024, 768))
        s.x("windowfocus", "--sync", game)
        ok("full screen covers the screen")
        s.x("click", "1")
        wait_for("the click after the held one", lambda: any(
            l["in"][2] == 1 for l in s.lines()[1:]), limit=10)
        ok("a click after a start-up click held across the switch counts")
        # The remembered mode is full screen.
        settings = os.path.join(s.home, ".config/tumblesquash/settings.conf")
        check(b"mode = fullscreen" in read(settings),
              "full screen was not remembered")
        wait_for("some frames", lambda: s.frames() > 60)
        s.focus_root()
        check(s.finish() == 0, "losing the focus did not end the game with 0")
        ok("losing the focus in full screen ends the game")


def window_manager(args):
    """2560 x 1440 under openbox: the window fits with its frame, and the
    click that brings a paused window back is no shot."""
    with Xvfb(2560, 1440) as xvfb:
        os.makedirs(args.work, exist_ok=True)
        wm_log = open(os.path.join(args.work, "openbox.log"), "w+")
        wm = subprocess.Popen(["openbox"], env=dict(
            os.environ, DISPLAY=xvfb.display), stdout=wm_log,
            stderr=subprocess.STDOUT)
        RUNNING.append(wm)
        # A window that never shows may be the manager's doing: say how it
        # is when a wait for a window fails.
        WINDOW_MANAGER[:] = [wm, wm_log]
        wait_for("the window manager", lambda: "window id" in subprocess.run(
            ["xprop", "-display", xvfb.display, "-root",
             "_NET_SUPPORTING_WM_CHECK"], capture_output=True,
            text=True).stdout)
        try:
            run_window_manager(args, xvfb)
        finally:
            wm.terminate()
            wm.wait()


def run_window_manager(args, xvfb):
    s = Session(args, xvfb, "window_manager", ["--window"])
    s.start()
    splash = s.window()
    s.x("mousemove", "--window", splash, "240", "120", "click", "1")
    wait_for("the first frame", lambda: s.frames() > 0)
    game = s.window()

    # The frame the window manager gave it, all of it on the screen; the
    # largest whole scale that fits with it (3x would be 1440 rows).
    def extents():
        text = s.run("xprop", "-id", game, "_NET_FRAME_EXTENTS")
        return [int(v) for v in text.split("=")[1].split(",")] \
            if "=" in text else None
    left, right, top, bottom = wait_for("the frame", extents)
    x, y, w, h = wait_for("the window in place (%s now)" % (
        s.geometry(game),), lambda: (g := s.geometry(game))[2:] ==
        (1280, 960) and g, limit=10)
    check(x - left >= 0 and y - top >= 0 and x + w + right <= 2560 and
          y + h + bottom <= 1440, "the frame %s runs off the screen at %s"
          % ((left, right, top, bottom), (x, y, w, h)))
    ok("the window fits the screen with its frame (%d x %d at %d, %d; "
       "frame %s)" % (w, h, x, y, (left, right, top, bottom)))

    # Every row can be aimed at, down to the last; and the window cannot
    # be made smaller than the picture.
    s.wait_scene("TitleScene")
    s.x("mousemove", "--window", game, "1279", "959")
    wait_for("the pointer on the last pixel",
             lambda: s.lines()[-1]["in"][:2] == [639, 479])
    s.x("windowsize", game, "300", "200")
    time.sleep(0.5)
    check(s.geometry(game)[2:] >= (640, 480),
          "the window shrank to %s" % (s.geometry(game)[2:],))
    s.x("windowsize", game, "1280", "960")
    wait_for("the size back", lambda: s.geometry(game)[2:] == (1280, 960))
    ok("the last row can be aimed at; the window keeps at least 640 x 480")

    # Into a game: the menu, Start (330, 206 in game pixels).
    start_a_game(s, game, 2)
    s.x("click", "1")
    wait_for("a shot", lambda: s.lines()[-1]["g"]["ShotCount"] == 1)

    # Another window takes the foreground: paused. A click on the game's
    # window brings it back (openbox focuses, then passes the click on).
    other = subprocess.Popen(["xlogo"], env=s.env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    RUNNING.append(other)
    wait_for("the pause", lambda: "paused" in s.x("getwindowname", game))
    s.x("mousemove", "--window", game, "640", "480", "click", "1")
    wait_for("the game to go on",
             lambda: "paused" not in s.x("getwindowname", game))
    going_on = s.frames()
    wait_for("some frames", lambda: s.frames() > going_on + 30)
    check(s.lines()[-1]["g"]["ShotCount"] == 1,
          "the click that ended the pause was a shot")
    s.x("click", "1")
    wait_for("the next click's shot",
             lambda: s.lines()[-1]["g"]["ShotCount"] == 2, limit=10)
    other.terminate()
    other.wait()
    ok("the click that ends a pause is no shot; the next one is")
    s.x("key", "Escape")
    check(s.finish() == 0, "Escape did not end the game with 0")


def main():
    ap = argparse.ArgumentParser()
    for option in ("--game", "--pictures", "--work"):
        ap.add_argument(option, required=True)
    ap.add_argument("case", choices=["session", "fullscreen",
                                     "window_manager"])
    args = ap.parse_args()
    os.makedirs(args.work, exist_ok=True)
    {"session": session, "fullscreen": fullscreen,
     "window_manager": window_manager}[args.case](args)
    shutil.rmtree(args.work, ignore_errors=True)
    print("0 failed", flush=True)


if __name__ == "__main__":
    main()
