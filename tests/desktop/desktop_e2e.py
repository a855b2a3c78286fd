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


def fail(message):
    print("FAIL: " + message, flush=True)
    for proc in RUNNING:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    sys.exit(1)


def ok(step):
    print("ok: " + step, flush=True)


def wait_for(what, condition, limit=LIMIT):
    end = time.monotonic() + limit
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            fail("timed out waiting for " + what)
        time.sleep(0.02)


class Xvfb:
    """A virtual screen on a display number of its own choosing."""

    def __init__(self, width, height):
        read, write = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0",
             "%dx%dx24" % (width, height), "-nolisten", "tcp"],
            pass_fds=[write], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                fail("Xvfb did not start")
            number += chunk
        os.close(read)
        self.display = ":" + number.decode().strip()
        # Its number is out before it answers everyone: wait until it does.
        wait_for("the X server to answer", lambda: subprocess.run(
            ["xdpyinfo", "-display", self.display],
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL).returncode == 0)

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


class Session:
    def __init__(self, args, xvfb, name, game_args):
        self.args = args
        self.dir = os.path.join(args.work, name)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.home = os.path.join(self.dir, "home")
        self.env = dict(os.environ)
        for key in ("XDG_DATA_HOME", "XDG_CONFIG_HOME", "WAYLAND_DISPLAY"):
            self.env.pop(key, None)
        self.env.update(HOME=self.home, DISPLAY=xvfb.display,
                        SDL_AUDIODRIVER="dummy", TUMBLESQUASH_FPS="1")
        if "ASAN_OPTIONS" in self.env:
            # What a real window leaves at exit belongs to the system's
            # libraries (D-Bus, the GL driver), not to the game: the game's
            # own leaks are checked by the headless suite.
            self.env["ASAN_OPTIONS"] += ":detect_leaks=0"
        self.user = os.path.join(self.home, ".local/share/tumblesquash")
        os.makedirs(self.user)
        self.trace = os.path.join(self.dir, "trace.jsonl")
        self.out = open(os.path.join(self.dir, "stdout.txt"), "w")
        self.err = open(os.path.join(self.dir, "stderr.txt"), "w")
        self.game_args = game_args

    def start(self):
        self.proc = subprocess.Popen(
            [self.args.game, "--data", self.args.pictures, "--trace",
             self.trace] + self.game_args,
            cwd=self.dir, env=self.env, stdout=self.out, stderr=self.err)
        RUNNING.append(self.proc)

    def x(self, *args):
        result = subprocess.run(["xdotool"] + list(args), env=self.env,
                                capture_output=True, text=True)
        return result.stdout.strip()

    def window(self):
        """The game's window (the start-up one before the click)."""
        def find():
            if self.proc.poll() is not None:
                fail("the game ended early:\n" + self.log())
            ids = self.x("search", "--onlyvisible", "--name",
                         "^TumbleSquash").split()
            return ids[-1] if ids else None
        return wait_for("the game's window", find)

    def geometry(self, window):
        info = subprocess.run(["xwininfo", "-id", window], env=self.env,
                              capture_output=True, text=True).stdout
        def field(name):
            for line in info.splitlines():
                if line.strip().startswith(name + ":"):
                    return int(line.split(":")[1])
            return -1
        return (field("Absolute upper-left X"), field("Absolute upper-left Y"),
                field("Width"), field("Height"))

    def lines(self):
        try:
            with open(self.trace) as f:
                text = f.read()
        except FileNotFoundError:
            return []
        return [json.loads(l) for l in text.split("\n")[:-1]]

    def frames(self):
        return len(self.lines())

    def wait_scene(self, scene):
        return wait_for(scene, lambda: next(
            (l for l in reversed(self.lines()) if l["next"] == scene), None))

    def screenshot(self, window):
        """The window's pixels from the X server: (width, height, RGB rows)."""
        raw = subprocess.run(["xwd", "-silent", "-id", window], env=self.env,
                             capture_output=True).stdout
        head = struct.unpack(">25I", raw[:100])
        size, width, height = head[0], head[4], head[5]
        bpp, stride, ncolors = head[11], head[12], head[19]
        byte_order = head[7]
        if bpp != 32:
            fail("unexpected xwd depth %d" % bpp)
        data = raw[size + 12 * ncolors:]
        rows = []
        for y in range(height):
            row = data[y * stride:y * stride + 4 * width]
            if byte_order == 0:  # LSBFirst: B G R x
                rows.append(bytes(b for i in range(width)
                                  for b in (row[4 * i + 2], row[4 * i + 1],
                                            row[4 * i])))
            else:
                rows.append(bytes(b for i in range(width)
                                  for b in row[4 * i + 1:4 * i + 4]))
        return width, height, rows

    def log(self):
        self.err.flush()
        with open(self.err.name) as f:
            return f.read()

    def finish(self, limit=LIMIT):
        try:
            return self.proc.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            fail("the game did not end")


def read_png(path):
    """An 8-bit RGB PNG as (width, height, rows)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + " is not a PNG")
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour != 2:
                fail(path + ": not 8-bit RGB")
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = 3 * width
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def lit_share(rows):
    """The share of pixels that are not black."""
    lit = total = 0
    for row in rows[::4]:
        for i in range(0, len(row), 12):
            total += 1
            lit += row[i] + row[i + 1] + row[i + 2] > 30
    return lit / max(total, 1)


def session(args):
    xvfb = Xvfb(1280, 1024)
    try:
        run_session(args, xvfb)
    finally:
        xvfb.stop()


def run_session(args, xvfb):
    recording = os.path.join(args.work, "session", "recorded.txt")
    s = Session(args, xvfb, "session",
                ["--window", "--scale", "1", "--record", recording])
    # Scores from an earlier game: they must come out of this one unchanged.
    scores = bytes(range(1, 47))
    score_file = os.path.join(s.user, "Score.dat")
    with open(score_file, "wb") as f:
        f.write(scores)
    s.start()

    # The start-up window waits for a click; the first frame follows it.
    splash = s.window()
    if s.frames() != 0:
        fail("frames ran before the click")
    s.x("mousemove", "--window", splash, "240", "120", "click", "1")
    wait_for("the first frame", lambda: s.frames() > 0)
    game = s.window()
    if s.geometry(game)[2:] != (640, 480):
        fail("the window is %s, not 640 x 480" % (s.geometry(game),))
    s.x("windowfocus", "--sync", game)
    ok("a click on the splash starts the game")

    # The title, on screen and not black.
    s.wait_scene("TitleScene")
    wait_for("the title's lettering",
             lambda: lit_share(s.screenshot(game)[2]) > 0.9)
    ok("the title is on screen")

    # Alt+Enter: full screen (the whole 1280 x 1024) and back, no frame lost.
    before = s.frames()
    s.x("key", "alt+Return")
    wait_for("full screen", lambda: s.geometry(game) == (0, 0, 1280, 1024))
    s.x("key", "alt+Return")
    wait_for("the window again", lambda: s.geometry(game)[2:] == (640, 480))
    frames = [l["frame"] for l in s.lines()]
    if frames != list(range(1, len(frames) + 1)) or len(frames) <= before:
        fail("frames missing around the switch")
    ok("Alt+Enter switches to full screen and back")

    # To the menu and into a game.
    s.x("windowfocus", "--sync", game)
    s.x("mousemove", "--window", game, "320", "240")
    def menu():
        if s.lines()[-1]["next"] == "MenuScene":
            return True
        s.x("click", "1")
        time.sleep(0.1)
        return False
    wait_for("the menu", menu)
    s.x("mousemove", "--window", game, "330", "206")
    wait_for("the pointer on Start",
             lambda: s.lines()[-1]["in"][:2] == [330, 206])
    s.x("click", "1")
    s.wait_scene("PlayScene")

    # An instant click, press and release in one go, is a shot.
    def shots():
        return s.lines()[-1]["g"]["ShotCount"]
    for n in (1, 2, 3):
        s.x("click", "1")
        wait_for("shot %d" % n, lambda: shots() == n, limit=10)
    ok("instant clicks are counted as shots")

    # Losing the focus pauses (no scene calls), getting it back resumes.
    root = subprocess.run(["xwininfo", "-root"], env=s.env,
                          capture_output=True, text=True).stdout
    root_id = root.split("Window id: ")[1].split()[0]
    s.x("windowfocus", root_id)
    wait_for("the pause", lambda: "paused" in s.x("getwindowname", game))
    paused_at = s.frames()
    time.sleep(0.5)
    if s.frames() != paused_at:
        fail("scenes ran while paused")
    s.x("windowfocus", "--sync", game)
    wait_for("the game to go on", lambda: s.frames() > paused_at + 30)
    if "paused" in s.x("getwindowname", game):
        fail("the title still says paused")
    ok("losing the focus in a window pauses, getting it back resumes")

    # The boss key holds a still picture: F12's PNG must equal the screen.
    s.x("click", "3")
    s.wait_scene("BossKeyScene")
    time.sleep(0.3)
    s.x("key", "F12")
    shots_dir = os.path.join(s.user, "screenshots")
    def written():
        s.out.flush()
        with open(s.out.name) as f:
            for line in f:
                if line.startswith("TumbleSquash: screenshot "):
                    return line.split(" ", 2)[2].strip()
        return None
    png = wait_for("the screenshot", written)
    if os.path.dirname(png) != shots_dir or not os.path.isfile(png):
        fail("screenshot at " + png)
    w, h, shot = read_png(png)
    sw, sh, screen = s.screenshot(game)
    if (w, h) != (640, 480) or (sw, sh) != (640, 480):
        fail("sizes %dx%d and %dx%d" % (w, h, sw, sh))
    if shot != screen:
        diff = sum(a != b for a, b in zip(shot, screen))
        fail("the screenshot differs from the screen in %d rows" % diff)
    if lit_share(shot) < 0.5:
        fail("the screenshot is black")
    ok("F12 writes the frame on screen as a PNG")

    # Escape ends the game: exit code 0, the scores untouched.
    s.x("click", "3")
    s.wait_scene("PlayScene")
    s.x("key", "Escape")
    code = s.finish()
    if code != 0:
        fail("Escape ended the game with %d" % code)
    with open(score_file, "rb") as f:
        if f.read() != scores:
            fail("Score.dat changed")
    ok("Escape exits with 0 and Score.dat intact")

    # The recording replays headless to the very same trace.
    with open(recording) as f:
        first = f.readline().split()
    if first[:2] != ["#", "seed"]:
        fail("the recording does not begin with its seed")
    replay = os.path.join(args.work, "replay")
    shutil.rmtree(replay, ignore_errors=True)
    os.makedirs(replay)
    with open(os.path.join(replay, "Score.dat"), "wb") as f:
        f.write(scores)
    subprocess.run([args.game, "--headless", "--seed", first[2], "--input",
                    recording, "--trace", "trace.jsonl", "--data",
                    args.pictures], cwd=replay, check=True)
    with open(s.trace, "rb") as a, \
            open(os.path.join(replay, "trace.jsonl"), "rb") as b:
        if a.read() != b.read():
            fail("the headless replay's trace differs")
    ok("the recorded session replays headless to the same trace")

    # And in the window, its input in place of the mouse.
    w = Session(args, xvfb, "window_replay",
                ["--window", "--replay", recording])
    with open(os.path.join(w.user, "Score.dat"), "wb") as f:
        f.write(scores)
    w.start()
    if w.finish(limit=LIMIT * 3) != 0:
        fail("the window replay failed:\n" + w.log())
    with open(s.trace, "rb") as a, open(w.trace, "rb") as b:
        if a.read() != b.read():
            fail("the window replay's trace differs")
    ok("the recorded session replays in the window to the same trace")


def fullscreen(args):
    xvfb = Xvfb(1024, 768)
    try:
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
        with open(os.path.join(s.home, ".config/tumblesquash/settings.conf")) \
                as f:
            if "mode = fullscreen" not in f.read():
                fail("full screen was not remembered")
        wait_for("some frames", lambda: s.frames() > 60)
        root = subprocess.run(["xwininfo", "-root"], env=s.env,
                              capture_output=True, text=True).stdout
        s.x("windowfocus", root.split("Window id: ")[1].split()[0])
        if s.finish() != 0:
            fail("losing the focus did not end the game with 0")
        ok("losing the focus in full screen ends the game")
    finally:
        xvfb.stop()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--game", required=True)
    ap.add_argument("--pictures", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("case", choices=["session", "fullscreen"])
    args = ap.parse_args()
    os.makedirs(args.work, exist_ok=True)
    {"session": session, "fullscreen": fullscreen}[args.case](args)
    shutil.rmtree(args.work, ignore_errors=True)
    print("0 failed", flush=True)


if __name__ == "__main__":
    main()
