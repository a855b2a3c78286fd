// The scenes of the game and the globals that hold their progress.
#pragma once
#include "app/types.h"

namespace scenes {

void OpeningScene();
void TitleScene();
void MenuScene();
void BossKeyScene();
void PlayScene();
void ResultScene();
void RankingScene();

extern i32 OpeningPhase, OpeningTimer, OpeningSpeed, OpeningCell, OpeningSize,
    OpeningStep;
extern i32 TitlePhase, TitleWave, TitleAmplitude, TitleTimer, TitleSpin,
    TitleSwing, TitleIdle;
extern u32 MenuPhase;
extern i32 FrameSkipCounter;
extern u32 ResultPhase;
extern i32 ResultBannerX, ResultHoldFrames, ResultShownTotal, ResultShownHits,
    ResultShownShots, ResultShownCombo;
extern i32 RankingPhase, RankingScroll, RankingFade, RankingHold;

// A game's score: 15 per hit, less 5 per shot, plus 50 per enemy of the best
// shot, never below 0.
i32 GameTotal(i32 hits, i32 shots, i32 combo);

// Every scene global back to its initial value.
void ResetScenes();

}  // namespace scenes
