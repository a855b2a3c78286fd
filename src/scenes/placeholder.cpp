// A stand-in opening: shows the sheet and the mouse until the real scenes
// exist. The other scenes do nothing yet.
#include "app/input.h"
#include "app/scene.h"
#include "scenes/scenes.h"
#include "video/video.h"

namespace scenes {

i32 OpeningPhase, OpeningTimer, OpeningSpeed, OpeningCell, OpeningSize = 2,
    OpeningStep = 1;
i32 TitlePhase, TitleWave, TitleAmplitude = 100, TitleTimer, TitleSpin = 1,
    TitleSwing, TitleIdle;
u32 MenuPhase;
i32 FrameSkipCounter;
u32 ResultPhase;
i32 ResultBannerX = -12, ResultHoldFrames, ResultShownTotal, ResultShownHits,
    ResultShownShots, ResultShownCombo;
i32 RankingPhase, RankingScroll, RankingFade, RankingHold;

void OpeningScene() {
  using namespace video;
  if (OpeningPhase == 0) {
    LoadSskImage("qqqq.ssk", 0, 0);
    SetSheetColorKey(LoadSskPalette("qqqq.ssk"));
    OpeningPhase = 1;
    return;
  }
  ++OpeningTimer;
  BlitSheet({0, 0, 640, 480}, {0, 0, 0, 0}, kModeFill, 0);
  int top = (OpeningTimer * 2) % 1568;
  BlitSheet({0, 0, 640, 480}, {0, top, 640, top + 480}, kModeOpaque, 0);
  i32 x = static_cast<i32>(app::MouseX), y = static_cast<i32>(app::MouseY);
  BlitSheet({x - 32, y - 32, x + 32, y + 32}, {320, 1984, 384, 2048},
            kModeKeyed, 0);
}
void TitleScene() {}
void MenuScene() {}
void BossKeyScene() {}
void PlayScene() {}
void ResultScene() {}
void RankingScene() {}

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
