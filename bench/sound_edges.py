#!/usr/bin/env python3
"""The sound device's output at a pause, a resume and Escape, as played.

    bench/sound_edges.py [--game build/run/tumblesquash] [--pictures DIR]

Runs the game in a window on a virtual screen under a window manager
(openbox) with SDL's disk audio driver, which writes what the device plays
to a file. Starts a game, waits for the music, takes the focus away (the
window pauses), gives it back, and quits with Escape. Then finds each edge
between sound and silence in the capture and prints the largest step
between neighbouring samples within 30 ms of it, in dBFS, against the
largest step anywhere in the music. A step under -40 dBFS is inaudible.
"""
import argparse
import json
import math
import os
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "tests", "desktop"))
from desktop_e2e import Xvfb  # noqa: E402

RATE = 44100


def db(step):
    return 20 * math.log10(step / 32768) if step else -math.inf


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--game", default="build/run/tumblesquash")
    ap.add_argument("--pictures", default="build/run")
    args = ap.parse_args()
    work = tempfile.mkdtemp(prefix="ts_edges_")
    capture = os.path.join(work, "device.raw")
    trace = os.path.join(work, "trace.jsonl")
    xvfb = Xvfb(1280, 1024)
    env = dict(os.environ, DISPLAY=xvfb.display, HOME=work,
               SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=capture)
    for key in ("XDG_DATA_HOME", "XDG_CONFIG_HOME", "WAYLAND_DISPLAY"):
        env.pop(key, None)
    wm = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    while "window id" not in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
            capture_output=True, text=True).stdout:
        time.sleep(0.05)
    game = subprocess.Popen(
        [os.path.abspath(args.game), "--window", "--scale", "1", "--trace",
         trace, "--data",
         os.path.abspath(args.pictures)], cwd=work, env=env,
        stderr=subprocess.DEVNULL)
    marks = []

    def x(*a):
        return subprocess.run(["xdotool"] + list(a), env=env,
                              capture_output=True, text=True).stdout.strip()

    def mark(what):
        size = os.path.getsize(capture) if os.path.exists(capture) else 0
        marks.append((what, size // 4))

    try:
        splash = x("search", "--sync", "--onlyvisible", "--name",
                   "^TumbleSquash$").split()[0]
        x("mousemove", "--window", splash, "100", "100", "click", "1")

        def scene():
            with open(trace) as f:
                lines = f.read().split("\n")[:-1]
            return json.loads(lines[-1])["next"] if lines else ""

        def until(name, click=False):
            end = time.monotonic() + 60
            while scene() != name:
                if time.monotonic() > end or game.poll() is not None:
                    sys.exit("never reached " + name)
                if click:
                    x("click", "1")
                time.sleep(0.3)
        until("TitleScene")
        window = x("search", "--onlyvisible", "--name",
                   "^TumbleSquash").split()[-1]
        # Through the title to the menu, then Start: the music.
        x("mousemove", "--window", window, "320", "240")
        until("MenuScene", click=True)
        x("mousemove", "--window", window, "330", "206")
        until("PlayScene", click=True)
        time.sleep(1)
        x("click", "1")  # a shot
        time.sleep(1)
        # Another window takes the foreground, and goes.
        mark("focus lost")
        other = subprocess.Popen(["xlogo"], env=env)
        time.sleep(1.5)
        mark("focus back")
        other.terminate()
        other.wait()
        x("windowactivate", window)
        time.sleep(1.5)
        mark("Escape")
        x("key", "Escape")
        game.wait(timeout=30)
    finally:
        if game.poll() is None:
            game.kill()
        wm.terminate()
        xvfb.proc.terminate()
    data = open(capture, "rb").read()
    n = len(data) // 4
    left = struct.unpack("<%dh" % (2 * n), data[:4 * n])[0::2]
    loud = [abs(v) > 0 for v in left]
    # Edges: where a run of 10 ms of silence begins or ends.
    quiet = int(RATE * 0.01)
    edges, i = [], 0
    while i < n:
        if not loud[i]:
            j = i
            while j < n and not loud[j]:
                j += 1
            if j - i >= quiet:
                if i > 0:
                    edges.append(("into silence", i))
                if j < n:
                    edges.append(("out of silence", j))
            i = j
        else:
            i += 1
    steps = [abs(left[k] - left[k - 1]) for k in range(1, n)]
    print("capture: %.2f s; marks: %s" % (n / RATE, ", ".join(
        "%s at %.2f s" % (w, at / RATE) for w, at in marks)))
    # At each edge: the step into or out of silence itself, the largest
    # step over the 2 ms next to it (where a cut would show), and how the
    # level went over the 10 ms before (or after) it, 1 ms at a time.
    ms = RATE // 1000
    worst = 0
    for what, at in edges:
        into = what == "into silence"
        side = range(at - 2 * ms, at) if into else range(at, at + 2 * ms)
        near = max(steps[k - 1] for k in side if 0 < k < n)
        edge = abs(left[at - 1] if into else left[at])
        worst = max(worst, near, edge)
        blocks = [max(abs(v) for v in left[b:b + ms]) for b in (
            range(at - 10 * ms, at, ms) if into else range(at, at + 10 * ms, ms))]
        print("%-15s at %6.2f s: the step itself %6.1f dBFS, largest step "
              "within 2 ms %6.1f dBFS; peak each ms %s" % (
                  what, at / RATE, db(edge), db(near), blocks))
    print("largest step at an edge: %.1f dBFS; largest step anywhere (the "
          "music's own): %.1f dBFS" % (db(worst), db(max(steps, default=0))))
    print("capture kept in", capture)


if __name__ == "__main__":
    main()
