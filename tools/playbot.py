#!/usr/bin/env python3
"""Plays TumbleSquash headless and writes the input script it played.

The bot runs the real game again and again, each time a little further,
reads where the enemies stand in the last frame of the trace and adds its
next move to the script. What it writes is an ordinary input script: replay
it with `tumblesquash --headless --seed N --input FILE`.

    tools/playbot.py --game build/run/tumblesquash --pictures build/run \
        --seed 11 --plan game --out game.script

Plans: "game" plays one game to the ranking and back to the title;
"bonus" first switches on the bonus set and changes the settings, then
plays a game in it; "boss" plays a while, hides behind the boss key and
plays on. Each run starts in a fresh folder with the pictures of
--pictures and the Score.dat of --scores (none: the game makes one).
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

REACH = 48  # a shot hits what stands within this of the cursor


class Bot:
    def __init__(self, game, seed, aim_every, pictures, scores):
        self.game = game
        self.seed = seed
        self.aim_every = aim_every
        self.lines = []
        self.frame = 0  # frames the script has reached
        # Every run starts in the same fresh folder, with the starting
        # Score.dat when there is one; the pictures come through --data.
        self.pictures = os.path.abspath(pictures)
        self.folder = tempfile.mkdtemp()
        self.scores = open(scores, "rb").read() if scores else None
        self.trace = os.path.join(self.folder, "t.jsonl")

    def run_to(self, frames):
        """Runs the script so far for `frames` scene calls; the last line."""
        script = self.trace + ".in"
        with open(script, "w") as f:
            f.write("".join(self.lines))
        score_file = os.path.join(self.folder, "Score.dat")
        if os.path.exists(score_file):
            os.remove(score_file)
        if self.scores is not None:
            with open(score_file, "wb") as f:
                f.write(self.scores)
        subprocess.run(
            [self.game, "--headless", "--seed", str(self.seed), "--frames",
             str(frames), "--input", script, "--trace", self.trace,
             "--trace-actors", "--data", self.pictures], check=True,
            cwd=self.folder)
        last = None
        with open(self.trace) as f:
            for last in f:
                pass
        self.frame = frames
        return json.loads(last)

    def add(self, frame, *events):
        for e in events:
            self.lines.append(f"{frame} {e}\n")

    def click(self, frame, x, y, button="l"):
        """A press at `frame` and its release a frame later."""
        self.add(frame, f"move {x} {y}", f"{button}down")
        self.add(frame + 1, f"{button}up")

    def wait_for(self, scene, step=20, limit=20000):
        state = self.run_to(self.frame + 1)
        while state["next"] != scene:
            if self.frame > limit:
                sys.exit(f"playbot: {scene} never came")
            state = self.run_to(self.frame + step)
        return state

    @staticmethod
    def best_aim(actors):
        """The point that catches the most unhit enemies in one shot."""
        targets = [(int(a[2]), int(a[3]) - a[4]) for a in actors
                   if 1 <= a[1] <= 3 and a[12] == 0]
        on_screen = [t for t in targets if 0 <= t[0] < 640 and 0 <= t[1] < 480]
        best, best_n = None, 0
        for cx, cy in on_screen:
            group = [t for t in on_screen
                     if abs(t[0] - cx) < REACH and abs(t[1] - cy) < REACH]
            if len(group) > best_n:
                gx = sum(t[0] for t in group) // len(group)
                gy = sum(t[1] for t in group) // len(group)
                best, best_n = (gx, gy), len(group)
        return best

    def play_game(self, until_frame=None):
        """Aims and shoots until the result scene (or `until_frame`)."""
        state = self.run_to(self.frame + 1)
        while state["next"] == "PlayScene":
            if until_frame is not None and self.frame >= until_frame:
                return state
            aim = self.best_aim(state.get("actors", []))
            if aim:
                x = min(max(aim[0], 0), 639)
                y = min(max(aim[1], 0), 479)
                self.click(self.frame + 1, x, y)
            state = self.run_to(self.frame + self.aim_every)
        return state

    def to_menu(self):
        state = self.wait_for("TitleScene")
        # A click skips the wave-in; the next one, on the idle title, leaves.
        while state["next"] != "MenuScene":
            self.click(self.frame + 1, 320, 240)
            state = self.run_to(self.frame + 3)
        return state

    def start_game(self):
        self.click(self.frame + 2, 330, 206)  # Start
        return self.wait_for("PlayScene", step=1)

    def finish_game(self):
        state = self.wait_for("ResultScene", step=10)
        while state["g"]["ResultPhase"] != 1:
            state = self.run_to(self.frame + 10)
        self.click(self.frame + 30, 320, 240)
        state = self.wait_for("RankingScene", step=5)
        self.click(self.frame + 300, 320, 240)  # shortens the hold
        return self.wait_for("TitleScene")

    def settings_and_bonus(self):
        self.click(self.frame + 2, 330, 300)  # Settings
        state = self.run_to(self.frame + 3)
        if state["g"]["MenuPhase"] != 2:
            sys.exit("playbot: the settings page did not open")
        steps = [(336, 144), (336, 144), (464, 208),  # detail 0, smoke 2
                 (464, 272), (336, 272), (464, 272)]  # bonus on, off, on
        for x, y in steps:
            self.click(self.frame + 4, x, y)
            self.run_to(self.frame + 2)
        self.click(self.frame + 4, 600, 460)  # leave: saved
        return self.run_to(self.frame + 3)

    def escape(self, after=10):
        self.add(self.frame + after, "key escape")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--game", required=True)
    ap.add_argument("--seed", type=int, required=True)
    ap.add_argument("--plan", choices=["game", "bonus", "boss"],
                    required=True)
    ap.add_argument("--aim-every", type=int, default=9)
    ap.add_argument("--pictures", default=".",
                    help="folder with the picture files (default: here)")
    ap.add_argument("--scores", help="the Score.dat every run starts with")
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    bot = Bot(os.path.abspath(args.game), args.seed, args.aim_every,
              os.path.abspath(args.pictures), args.scores)
    bot.lines.append(f"# seed {args.seed}, plan {args.plan}\n")
    bot.to_menu()
    if args.plan == "bonus":
        bot.settings_and_bonus()
    bot.start_game()
    if args.plan == "boss":
        bot.play_game(until_frame=bot.frame + 400)
        bot.click(bot.frame + 1, 300, 200, "r")
        bot.run_to(bot.frame + 2)
        for i in range(6):  # the pointer moves; left clicks do nothing
            bot.add(bot.frame + 5 * i + 1, f"move {100 + 60 * i} {50 + 40 * i}")
        bot.click(bot.frame + 12, 200, 200)
        bot.click(bot.frame + 40, 320, 240, "r")
        bot.run_to(bot.frame + 42)
        bot.play_game(until_frame=bot.frame + 300)
        bot.escape()
    elif args.plan == "bonus":
        bot.play_game(until_frame=bot.frame + 900)
        bot.escape()
    else:
        bot.play_game()
        bot.finish_game()
        bot.run_to(bot.frame + 60)
        bot.escape()
    with open(args.out, "w") as f:
        f.writelines(bot.lines)
    state = bot.run_to(bot.frame + 20)
    print(f"playbot: {len(bot.lines)} lines, {bot.frame} frames, "
          f"scores {state['scores'][:3]}", file=sys.stderr)


if __name__ == "__main__":
    main()
