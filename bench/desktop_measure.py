#!/usr/bin/env python3
"""The game's pacing and latency on a virtual X server, as a player gets it.

    bench/desktop_measure.py [--game build/run/tumblesquash] [--size 2560x1440]
                             [--seconds 30] [--clicks 20] [--window]
                             [--painted] [--replay FILE]

Starts Xvfb at the size given, the game full screen (or in a window) with
TUMBLESQUASH_FPS=1, clicks the splash, then:
- scene calls per wall second over --seconds (from the game's own count and
  clock), presents a second, the time a present takes, CPU a scene call
  (the game's process, its main thread) and the X server's CPU a scene call;
- start-up: from the click on the splash to the first frame on screen;
- click-to-screen latency: --clicks instant clicks (press and release sent
  together through XTest), each from the moment it is sent to the moment the
  first frame whose scene saw the press has been presented.
Prints one table. SDL_RENDER_DRIVER picks the renderer (opengl, software).
--painted paints the root window first, as a desktop's background is: a
fresh Xvfb has never written its screen memory, and the first full-screen
frame would otherwise also pay for the server's first touch of all of it.
--replay plays a recorded input script (one that begins "# seed N") instead
of the title's attract loop, so that the figures cover a game in play.
"""
import argparse
import ctypes
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "tests", "desktop"))
from desktop_e2e import Xvfb  # noqa: E402

LINE = re.compile(
    r"([\d.]+) scene calls, ([\d.]+) presents a second; present ([\d.]+) ms "
    r"\(max ([\d.]+)\); CPU a scene call ([\d.]+) ms \(main thread ([\d.]+)\);"
    r" ([\d.]+)x, (\w+); scene (\d+) at (\d+)")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def paint_root(display):
    """A solid background over the whole root window, as xsetroot gives."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XSetWindowBackground.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                         ctypes.c_ulong]
    x11.XClearWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(display.encode())
    root = x11.XDefaultRootWindow(dpy)
    x11.XSetWindowBackground(dpy, root, 0x305070)
    x11.XClearWindow(dpy, root)
    x11.XSync(dpy, 0)
    x11.XCloseDisplay(dpy)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--game", default="build/run/tumblesquash")
    ap.add_argument("--size", default="640x480")
    ap.add_argument("--seconds", type=float, default=30)
    ap.add_argument("--clicks", type=int, default=20)
    ap.add_argument("--window", action="store_true")
    ap.add_argument("--painted", action="store_true")
    ap.add_argument("--replay")
    args = ap.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    game = os.path.abspath(args.game)

    xvfb = Xvfb(width, height)
    display = xvfb.display
    if args.painted:
        paint_root(display)
    work = tempfile.mkdtemp(prefix="ts_measure_")
    env = dict(os.environ, DISPLAY=display, HOME=work, SDL_AUDIODRIVER="dummy",
               TUMBLESQUASH_FPS="1")
    for key in ("XDG_DATA_HOME", "XDG_CONFIG_HOME", "WAYLAND_DISPLAY"):
        env.pop(key, None)
    err_path = os.path.join(work, "stderr.txt")
    err = open(err_path, "w")
    command = [game, "--window" if args.window else "--fullscreen"]
    if args.replay:
        command += ["--replay", os.path.abspath(args.replay)]
    proc = subprocess.Popen(
        command, cwd=work,
        env=env, stdout=subprocess.DEVNULL, stderr=err)
    try:
        def stats():
            with open(err_path) as f:
                text = f.read()
            return ([LINE.search(l) for l in text.splitlines()
                     if LINE.search(l)],
                    [int(l.split()[-1]) for l in text.splitlines()
                     if "click shown at" in l],
                    text)

        def x(*a):
            done = subprocess.run(["xdotool"] + list(a), env=env,
                                  capture_output=True, text=True)
            if done.returncode != 0:
                sys.exit("xdotool %s: %s\n%s" % (a, done.stderr, stats()[2]))
            return done.stdout
        splash = x("search", "--sync", "--onlyvisible", "--name",
                   "^TumbleSquash$").split()[0]
        x("mousemove", "--window", splash, "240", "120")
        x11 = ctypes.CDLL("libX11.so.6")
        xtst = ctypes.CDLL("libXtst.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XFlush.argtypes = [ctypes.c_void_p]
        xtst.XTestFakeButtonEvent.argtypes = [
            ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        dpy = x11.XOpenDisplay(display.encode())

        def click():
            sent = time.monotonic_ns()
            xtst.XTestFakeButtonEvent(dpy, 1, 1, 0)
            xtst.XTestFakeButtonEvent(dpy, 1, 0, 0)
            x11.XFlush(dpy)
            return sent

        started = click()
        while len(stats()[0]) < 2:
            if proc.poll() is not None:
                sys.exit("the game ended:\n" + stats()[2])
            time.sleep(0.1)
        first_frame = [re.search(r"shown at (\d+)(?:.*\(CPU ([\d.]+) ms\))?",
                                 l) for l in stats()[2].splitlines()
                       if "first frame shown at" in l]

        # Pacing: the span between two of the game's own lines.
        first = stats()[0][-1]
        server0 = cpu_seconds(xvfb.proc.pid)
        time.sleep(args.seconds)
        lines = stats()[0]
        last = lines[-1]
        span = [m for m in lines
                if int(m.group(10)) > int(first.group(10))]
        server1 = cpu_seconds(xvfb.proc.pid)
        scenes = int(last.group(9)) - int(first.group(9))
        wall = (int(last.group(10)) - int(first.group(10))) / 1e9

        def mean(i):
            return statistics.mean(float(m.group(i)) for m in span)

        # Latency: instant clicks straight through XTest.
        latencies = []
        for _ in range(args.clicks):
            sent = click()
            # The first frame shown after the click was sent that saw it.
            end = time.monotonic() + 5
            later = []
            while not later and time.monotonic() < end:
                time.sleep(0.005)
                later = [t for t in stats()[1] if t > sent]
            if later:
                latencies.append((min(later) - sent) / 1e6)
            time.sleep(0.137)  # off the frame grid, so the phase varies

        print("screen %dx%d, %s, renderer line: %s" % (
            width, height, "window" if args.window else "full screen",
            [l for l in stats()[2].splitlines() if "renderer" in l][0]))
        print("splash click to first frame: %.1f ms (the game's CPU from "
              "opening the display: %s ms)" % (
                  (int(first_frame[0].group(1)) - started) / 1e6
                  if first_frame else -1,
                  first_frame[0].group(2) or "?" if first_frame else "?"))
        print("scene calls per wall second over %.1f s: %.3f" %
              (wall, scenes / wall))
        print("presents a second: %.1f; present %.2f ms a frame (worst %.2f)"
              % (mean(2), mean(3), max(float(m.group(4)) for m in span)))
        print("CPU a scene call: game %.2f ms (main thread %.2f ms), "
              "X server %.2f ms; the game's CPU a present %.2f ms" % (
                  mean(5), mean(6), (server1 - server0) * 1e3 / scenes,
                  statistics.mean(float(m.group(5)) * float(m.group(1)) /
                                  float(m.group(2)) for m in span)))
        print("click to screen, %d of %d clicks seen: median %.1f ms "
              "(min %.1f, max %.1f)" % (
                  len(latencies), args.clicks,
                  statistics.median(latencies) if latencies else -1,
                  min(latencies, default=-1), max(latencies, default=-1)))
    finally:
        proc.terminate()
        proc.wait()
        xvfb.proc.terminate()
        xvfb.proc.wait()


if __name__ == "__main__":
    sys.exit(main())
