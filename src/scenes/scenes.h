// The scenes of the game and the globals that hold their progress.
#pragma once
#include "base/globals.h"
#include "base/scene.h"
#include "base/types.h"

// Each scene's globals, once: X(type, name, start value). Several change
// meaning from one phase to the next (see the scene's file). The frame loop
// writes them into the trace in this order.
#define TS_OPENING_GLOBALS(X) \
  X(i32, OpeningPhase, 0)     \
  X(i32, OpeningTimer, 0)     \
  X(i32, OpeningSpeed, 0)     \
  X(i32, OpeningCell, 0)      \
  X(i32, OpeningSize, 2)      \
  X(i32, OpeningStep, 1)
// What a visit to the title starts with again (the phase and the idle
// count are handled apart).
#define TS_TITLE_VISIT_GLOBALS(X) \
  X(i32, TitleWave, 0)            \
  X(i32, TitleAmplitude, 100)     \
  X(i32, TitleTimer, 0)           \
  X(i32, TitleSpin, 1)            \
  X(i32, TitleSwing, 0)
#define TS_TITLE_GLOBALS(X) \
  X(i32, TitlePhase, 0)     \
  TS_TITLE_VISIT_GLOBALS(X) \
  X(i32, TitleIdle, 0)
#define TS_MENU_GLOBALS(X) X(u32, MenuPhase, 0)
#define TS_PLAY_GLOBALS(X) X(i32, FrameSkipCounter, 0)
// What the result scene puts back when it ends; the figures it showed stay.
#define TS_RESULT_BANNER_GLOBALS(X) \
  X(u32, ResultPhase, 0)            \
  X(i32, ResultBannerX, -12)        \
  X(i32, ResultHoldFrames, 0)       \
  X(i32, ResultShownTotal, 0)
#define TS_RESULT_GLOBALS(X)  \
  TS_RESULT_BANNER_GLOBALS(X) \
  X(i32, ResultShownHits, 0)  \
  X(i32, ResultShownShots, 0) \
  X(i32, ResultShownCombo, 0)
#define TS_RANKING_GLOBALS(X) \
  X(i32, RankingPhase, 0)     \
  X(i32, RankingScroll, 0)    \
  X(i32, RankingFade, 0)      \
  X(i32, RankingHold, 0)
#define TS_SCENE_GLOBALS(X) \
  TS_OPENING_GLOBALS(X)     \
  TS_TITLE_GLOBALS(X)       \
  TS_MENU_GLOBALS(X)        \
  TS_PLAY_GLOBALS(X)        \
  TS_RESULT_GLOBALS(X)      \
  TS_RANKING_GLOBALS(X)

namespace scenes {

void OpeningScene();
void TitleScene();
void MenuScene();
void BossKeyScene();
void PlayScene();
void ResultScene();
void RankingScene();

TS_SCENE_GLOBALS(TS_DECLARE_GLOBAL)

// Every scene global back to its start value.
inline void ResetScenes() { TS_SCENE_GLOBALS(TS_RESTART_GLOBAL) }

// The scene's name as the trace shows it ("OpeningScene", ...); "None" for
// anything else.
const char* SceneName(base::Scene scene);

// A game's score: 15 per hit, less 5 per shot, plus 50 per enemy of the best
// shot, never below 0.
i32 GameTotal(i32 hits, i32 shots, i32 combo);

}  // namespace scenes
