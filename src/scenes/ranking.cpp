// The ranking: the ten high scores scroll up over the walking enemies, stay,
// and the palette fades to black before the title comes back. A click after
// the scroll starts the fade early.
#include "base/input.h"
#include "base/scene.h"
#include "base/scores.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace scenes {

namespace {

constexpr i32 kPhaseScroll = 0;
constexpr i32 kPhaseShow = 1;
constexpr i32 kScrollEnd = 512;
constexpr i32 kHoldFrames = 256;
constexpr i32 kFadeFrames = 128;

// Every visit starts alike.
void Leave() {
  TS_RANKING_GLOBALS(TS_RESTART_GLOBAL)
  base::CurrentScene = TitleScene;
  game::EmptyPool();
  game::EnemiesSpawned = 0;
}

void Advance() {
  if (RankingPhase == kPhaseScroll) {
    // Clicks are not looked at while the list scrolls in.
    if (RankingScroll < kScrollEnd) {
      RankingScroll += 2;
    } else {
      RankingPhase = kPhaseShow;
    }
    return;
  }
  if (RankingFade >= 1) {
    // All 256 entries, so the title starts from full black.
    video::FadeOutStep(0, 256);
    ++RankingFade;
    if (RankingFade > kFadeFrames) Leave();
  } else {
    ++RankingHold;
  }
  if (base::LeftButton == 1 && RankingFade == 0) RankingFade = 1;
  if (RankingHold > kHoldFrames) {
    RankingHold = kHoldFrames;
    if (RankingFade == 0) RankingFade = 1;
  }
}

}  // namespace

void RankingScene() {
  Advance();

  DrawFieldBackground();
  game::StepEnemies();
  game::StepActors();
  game::DrawActors();
  video::BlitSheet({208, 0, 432, 32}, layout::game::kRankingHeading,
                   video::kModeKeyed, 0);
  // The tenth score comes to rest just below the screen.
  for (i32 k = 0; k < 10; ++k) {
    game::DrawNumber(416, 48 * (k + 1) + 512 - RankingScroll,
                     static_cast<i32>(base::HighScores[k]));
  }
}

}  // namespace scenes
