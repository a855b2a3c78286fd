// The end of a game: the closing banner slides in and rests, then the
// figures are shown with the total counting up. A click records the total
// and moves on to the ranking.
#include "base/input.h"
#include "base/scene.h"
#include "base/scores.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace scenes {

namespace {

constexpr u32 kPhaseBanner = 0;
constexpr u32 kPhaseResults = 1;
constexpr i32 kBannerRest = 412;
constexpr i32 kBannerHold = 64;

void Banner() {
  ResultShownShots = game::ShotCount;
  ResultShownCombo = game::MaxCombo;
  ResultShownHits = game::HitCount;
  // The field goes on moving, but no enemy steers or comes in.
  game::StepActors();
  game::DrawActors();
  ResultBannerX += 20;
  if (ResultBannerX > kBannerRest) {
    ResultBannerX = kBannerRest;
    ++ResultHoldFrames;
    if (ResultHoldFrames > kBannerHold) {
      ResultHoldFrames = 0;
      ResultPhase = kPhaseResults;
    }
  }
  DrawKeyed({ResultBannerX - 192, 184, ResultBannerX, 296},
            layout::game::kBanner);
}

void Results() {
  // The count of made enemies is zeroed every frame, so new ones keep
  // coming behind the figures.
  game::EnemiesSpawned = 0;
  game::StepEnemies();
  game::StepActors();
  game::DrawActors();

  DrawKeyed({192, 128, 256, 160}, layout::game::kHitsLabel);
  game::DrawNumber(512, 128, ResultShownHits);
  DrawKeyed({192, 192, 256, 224}, layout::game::kShotsLabel);
  game::DrawNumber(512, 192, ResultShownShots);
  DrawKeyed({192, 256, 256, 288}, layout::game::kBestLabel);
  game::DrawNumber(512, 256, ResultShownCombo);

  i32 total = GameTotal(game::HitCount, game::ShotCount, game::MaxCombo);
  ResultShownTotal += 7;
  if (ResultShownTotal > total) ResultShownTotal = total;
  DrawKeyed({192, 336, 256, 368}, layout::game::kTotalLabel);
  game::DrawNumber(512, 336, ResultShownTotal);

  if (base::LeftButton != 1) return;

  // What is recorded is the total itself, however far the count-up got.
  base::RecordTotal(total);
  game::EmptyPool();
  // Ready for the next game; the figures shown stay until then.
  TS_RESULT_BANNER_GLOBALS(TS_RESTART_GLOBAL)
  base::CurrentScene = RankingScene;
  sound::SoundCommand(sound::kMusicChannel, 0, 0);
  base::SaveScores();
}

}  // namespace

i32 GameTotal(i32 hits, i32 shots, i32 combo) {
  // Computed with wrap-around, as 32-bit arithmetic does.
  u32 sum = 10u * static_cast<u32>(hits) -
            5u * (static_cast<u32>(shots) - static_cast<u32>(hits)) +
            50u * static_cast<u32>(combo);
  i32 total = static_cast<i32>(sum);
  return total < 0 ? 0 : total;
}

void ResultScene() {
  DrawFieldBackground();
  if (ResultPhase == kPhaseBanner) {
    Banner();
  } else {
    Results();
  }
}

}  // namespace scenes
