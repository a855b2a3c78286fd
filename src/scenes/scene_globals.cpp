// The scenes' progress variables, their start-of-run values, and the names
// the trace gives the scenes.
#include "app/scene.h"
#include "scenes/scenes.h"

namespace scenes {

i32 OpeningPhase = 0, OpeningTimer = 0, OpeningSpeed = 0, OpeningCell = 0,
    OpeningSize = 2, OpeningStep = 1;
i32 TitlePhase = 0, TitleWave = 0, TitleAmplitude = 100, TitleTimer = 0,
    TitleSpin = 1, TitleSwing = 0, TitleIdle = 0;
u32 MenuPhase = 0;
i32 FrameSkipCounter = 0;
u32 ResultPhase = 0;
i32 ResultBannerX = -12, ResultHoldFrames = 0, ResultShownTotal = 0,
    ResultShownHits = 0, ResultShownShots = 0, ResultShownCombo = 0;
i32 RankingPhase = 0, RankingScroll = 0, RankingFade = 0, RankingHold = 0;

void ResetScenes() {
  OpeningPhase = OpeningTimer = OpeningSpeed = OpeningCell = 0;
  OpeningSize = 2;
  OpeningStep = 1;
  TitlePhase = TitleWave = TitleTimer = TitleSwing = TitleIdle = 0;
  TitleAmplitude = 100;
  TitleSpin = 1;
  MenuPhase = 0;
  FrameSkipCounter = 0;
  ResultPhase = 0;
  ResultBannerX = -12;
  ResultHoldFrames = ResultShownTotal = ResultShownHits = ResultShownShots =
      ResultShownCombo = 0;
  RankingPhase = RankingScroll = RankingFade = RankingHold = 0;
}

}  // namespace scenes

namespace app {

const char* SceneName(Scene scene) {
  using namespace scenes;
  struct Named {
    Scene scene;
    const char* name;
  };
  static const Named names[] = {
      {OpeningScene, "OpeningScene"}, {TitleScene, "TitleScene"},
      {MenuScene, "MenuScene"},       {PlayScene, "PlayScene"},
      {BossKeyScene, "BossKeyScene"}, {ResultScene, "ResultScene"},
      {RankingScene, "RankingScene"},
  };
  for (const Named& n : names) {
    if (n.scene == scene) return n.name;
  }
  return "None";
}

}  // namespace app
