# The recorded runs: each case is the arguments of one headless run and the
# files whose digests must not change. A case runs in a folder of its own
# (the pictures come through --data) that starts with the Score.dat it names,
# if any.
set(golden_cases game idle bonus boss)

# A whole game with aimed shots, the result, the ranking and back.
set(game_args --seed 11 --input game.script)
set(game_shots 300:opening.png 508:menu.png 900:play.png 1780:banner.png
               1840:result.png 2000:ranking.png 2300:title.png)

# No input at all: the opening, the title, the ranking and the title again.
set(idle_args --seed 3 --frames 2600)
set(idle_shots 60:zoom.png 400:hold.png 700:wave.png 1000:idle.png
               1900:ranking.png 2500:title.png)

# Scores that earn the bonus set: the settings page, the bonus pictures, and
# a game in them with the lightest drawing.
set(bonus_args --seed 29 --input bonus.script)
set(bonus_scores earned.Score.dat)
set(bonus_shots 512:settings.png 525:bonus_settings.png 700:play.png
                1200:play_late.png)

# The boss key in the middle of a game, and back.
set(boss_args --seed 5 --input boss.script)
set(boss_shots 930:boss.png 1000:back.png)
