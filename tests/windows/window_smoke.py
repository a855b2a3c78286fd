#!/usr/bin/env python3
"""The Windows game's real window under Wine, on Xvfb with a window manager.

    window_smoke.py --wine WINE64 --game EXE --scale N --shot PNG

Run with WINEPREFIX (and HOME) naming a Wine prefix made beforehand, its
server kept running. From a fresh start: the start-up window shows the start
picture (minititle.bmp beside the game, pixel for pixel), a click on it opens
the game's window at N times 640 x 480 and the title comes on screen (saved
to PNG as seen there), F12 saves the frame in the Wine user's
Pictures\\TumbleSquash, Escape ends the game with 0, and Score.dat and
settings.conf are in the Wine user's %APPDATA%\\TumbleSquash.
"""
import argparse
import glob
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

LIMIT = 90.0  # seconds any one condition may take on a loaded machine
RUNNING = []
# The scores as a first start writes them: an empty table, detail 2,
# difficulty 1, no bonus.
FRESH_SCORES = bytes(40) + bytes([2, 1]) + bytes(4)


def fail(message):
    print("FAIL: " + message, flush=True)
    for proc in reversed(RUNNING):
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)


def ok(step):
    print("ok: " + step, flush=True)


def wait_for(what, condition, limit=LIMIT, seen=None):
    end = time.monotonic() + limit
    while not (value := condition()):
        if time.monotonic() > end:
            fail("timed out waiting for " + what +
                 (" (%s)" % seen() if seen else ""))
        time.sleep(0.05)
    return value


def read(path):
    with open(path, "rb") as f:
        return f.read()


def start_x(env):
    """Xvfb on a display of its own choosing, and openbox on it."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1920x1200x24",
         # Never starting afresh when a client leaves (the xdpyinfo probe):
         # one connecting meanwhile would be turned away.
         "-nolisten", "tcp", "-noreset"], pass_fds=[write_end],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    RUNNING.append(xvfb)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        number = numbers.readline().strip()
    check(number, "Xvfb did not start")
    env["DISPLAY"] = ":" + number
    wait_for("the X server", lambda: subprocess.run(
        ["xdpyinfo"], env=env, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL).returncode == 0)
    wm = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    RUNNING.append(wm)
    wait_for("the window manager", lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)"
             in run(env, "xprop", "-root", "_NET_SUPPORTING_WM_CHECK"))
    return xvfb, wm


def run(env, *command):
    return subprocess.run(command, env=env, capture_output=True,
                          text=True).stdout.strip()


def windows(env, name="^TumbleSquash"):
    return run(env, "xdotool", "search", "--onlyvisible", "--name",
               name).split()


def size(env, window):
    info = run(env, "xwininfo", "-id", window)
    return tuple(int(info.split(field + ":")[1].split()[0])
                 for field in ("Width", "Height"))


def screenshot(env, window):
    """The window's pixels from the X server, as RGB rows."""
    raw = subprocess.run(["xwd", "-silent", "-id", window], env=env,
                         capture_output=True).stdout
    check(len(raw) > 100, "xwd took no picture of window " + window)
    head = struct.unpack(">25I", raw[:100])
    size_, width, height, order, bpp, stride, ncolors = (
        head[i] for i in (0, 4, 5, 7, 11, 12, 19))
    check(bpp == 32, "unexpected xwd depth %d" % bpp)
    data = raw[size_ + 12 * ncolors:]
    pixels = b"".join(data[y * stride:y * stride + 4 * width]
                      for y in range(height))
    rgb, n = bytearray(3 * width * height), 3 * width
    for k, at in enumerate((2, 1, 0) if order == 0 else (1, 2, 3)):
        rgb[k::3] = pixels[at::4]
    return [bytes(rgb[y * n:(y + 1) * n]) for y in range(height)]


def read_bmp(path):
    """A bottom-up 24-bit BMP's rows as RGB."""
    data = read(path)
    offset, = struct.unpack("<I", data[10:14])
    width, height, _, bits = struct.unpack("<iiHH", data[18:30])
    check(bits == 24 and height > 0, path + " is not a bottom-up 24-bit BMP")
    stride = (3 * width + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        line = data[offset + y * stride:offset + y * stride + 3 * width]
        rgb = bytearray(len(line))
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::3], line[1::3], line[0::3]
        rows.append(bytes(rgb))
    return rows


def write_png(path, rows):
    width, height = len(rows[0]) // 3, len(rows)
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body)))
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" +
                chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2,
                                           0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def lit_share(rows):
    """The share of pixels that are not black."""
    pixels = [sum(row[i:i + 3]) > 30 for row in rows[::4]
              for i in range(0, len(row), 12)]
    return sum(pixels) / max(len(pixels), 1)


def appdata(prefix):
    found = [p for p in glob.glob(os.path.join(
        prefix, "drive_c", "users", "*", "AppData", "Roaming"))
        if os.sep + "Public" + os.sep not in p]
    check(len(found) == 1, "no single user's AppData in %s" % prefix)
    return found[0]


def main():
    ap = argparse.ArgumentParser()
    for option in ("--wine", "--game", "--shot"):
        ap.add_argument(option, required=True)
    ap.add_argument("--scale", type=int, required=True)
    args = ap.parse_args()
    env = dict(os.environ)
    check("WINEPREFIX" in env, "WINEPREFIX is not set")
    folder = os.path.join(appdata(env["WINEPREFIX"]), "TumbleSquash")
    shutil.rmtree(folder, ignore_errors=True)
    work = tempfile.mkdtemp(prefix="window-smoke-")
    trace = os.path.join(work, "trace.jsonl")
    start_x(env)

    out = open(os.path.join(work, "stdout.txt"), "w")
    err = open(os.path.join(work, "stderr.txt"), "w")
    game = subprocess.Popen(
        [args.wine, args.game, "--window", "--scale", str(args.scale),
         "--trace", trace], env=env, stdout=out, stderr=err, cwd=work)
    RUNNING.append(game)

    def frames():
        if not os.path.exists(trace):
            return []
        return [json.loads(line) for line in read(trace).split(b"\n")[:-1]]

    def window():
        if game.poll() is not None:
            fail("the game ended early (%d): %s" % (
                game.returncode, read(err.name).decode()))
        found = windows(env)
        return found[-1] if found else None

    # The start-up window shows the start picture, exactly.
    splash = wait_for("the start-up window", window)
    check(size(env, splash) == (480, 240),
          "the start-up window is %s" % (size(env, splash),))
    picture = read_bmp(os.path.join(os.path.dirname(args.game),
                                    "minititle.bmp"))
    wait_for("the start picture", lambda: screenshot(env, splash) == picture)
    check(not frames(), "frames ran before the click")
    ok("the start-up window shows the start picture")

    # A click starts the game in its window at the scale asked for.
    run(env, "xdotool", "mousemove", "--window", splash, "240", "120",
        "click", "1")
    wait_for("the first frame", lambda: frames())
    wanted = (640 * args.scale, 480 * args.scale)
    main_window = wait_for(
        "the game's window", lambda: next(
            (w for w in windows(env) if size(env, w) == wanted), None),
        seen=lambda: "windows %s; the game said: %s" % (
            [size(env, w) for w in windows(env)], read(err.name).decode()))
    ok("a click opens the game's window at %d x %d" % wanted)

    # The title, on screen and not black, once it has zoomed in.
    def title_settled():
        lines = frames()
        first = next((i for i, line in enumerate(lines)
                      if line["next"] == "TitleScene"), None)
        return first is not None and len(lines) > first + 150
    wait_for("the title scene", title_settled)
    rows = wait_for("the title on screen", lambda: (
        lambda r: r if lit_share(r) > 0.9 else None)(
            screenshot(env, main_window)))
    write_png(args.shot, rows)
    ok("the title is on screen (%s)" % args.shot)

    # F12 saves the frame on screen into Pictures\\TumbleSquash.
    run(env, "xdotool", "windowfocus", "--sync", main_window)
    run(env, "xdotool", "key", "F12")
    def said():
        out.flush()
        text = read(out.name).decode()
        return (text.split("tumblesquash: screenshot ", 1)[1].split("\n")[0]
                .strip() if "tumblesquash: screenshot " in text else None)
    shot = wait_for("the screenshot's line", said)
    check("\\Pictures\\TumbleSquash\\tumblesquash-" in shot and
          shot.endswith(".png"), "the screenshot went to " + shot)
    unix = run(env, args.wine, "winepath", "-u", shot)
    png = read(unix) if os.path.isfile(unix) else b""
    check(png[:8] == b"\x89PNG\r\n\x1a\n" and
          struct.unpack(">II", png[16:24]) == (640, 480),
          "no 640 x 480 PNG at " + unix)
    ok("F12 saves the frame as %s" % shot)

    # Escape ends it with 0; the files are in the Wine user's AppData.
    run(env, "xdotool", "key", "Escape")
    try:
        code = game.wait(timeout=LIMIT)
    except subprocess.TimeoutExpired:
        fail("Escape did not end the game")
    check(code == 0, "Escape ended the game with %d: %s" % (
        code, read(err.name).decode()))
    scores = os.path.join(folder, "Score.dat")
    check(os.path.isfile(scores) and read(scores) == FRESH_SCORES,
          "no fresh Score.dat in " + folder)
    settings = read(os.path.join(folder, "settings.conf")).decode()
    check("mode = window" in settings and
          "scale = %d" % args.scale in settings,
          "settings.conf does not hold the window:\n" + settings)
    ok("Escape exits with 0; Score.dat and settings.conf in %s" % folder)
    for proc in reversed(RUNNING):
        if proc.poll() is None:
            proc.terminate()
            proc.wait()
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
