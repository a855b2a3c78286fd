// The title: on the first visit the lettering waves in over a fade and the
// background opens from the middle; then the idle display with the turning
// emblem and the blinking prompt, until a click (menu) or 960 idle frames
// (the ranking).
#include <utility>

#include "app/input.h"
#include "app/scene.h"
#include "app/scores.h"
#include "app/trig.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "video/video.h"

namespace scenes {

namespace {

constexpr i32 kPhaseLoad = -1;
constexpr i32 kPhaseWave = 0;
constexpr i32 kPhaseReveal = 1;
constexpr i32 kPhaseIdle = 2;
constexpr i32 kPhaseLeave = 11;

constexpr i32 kIdleTimeOut = 960;

constexpr video::Rect kLettering{0, 480, 640, 768};
constexpr video::Rect kLetteringOnScreen{0, 0, 640, 288};
constexpr video::Rect kEmblemFront{416, 800, 512, 832};
constexpr video::Rect kEmblemBack{416, 832, 512, 864};
constexpr video::Rect kPrompt{0, 800, 256, 832};

// Opaque copy of a sheet rectangle to the same place on screen.
void Copy(video::Rect r) { video::BlitSheet(r, r, video::kModeOpaque, 0); }

void DrawLettering() {
  video::BlitSheet(kLetteringOnScreen, kLettering, video::kModeKeyed, 0);
}

// Back to the values a visit starts with (TitleIdle runs on).
void RewindTitle() {
  TitleWave = 0;
  TitleAmplitude = 100;
  TitleTimer = 0;
  TitleSwing = 0;
  TitleSpin = 1;
}

void Load() {
  LoadTitlePicture(TitlePictureName());
  TitlePhase = kPhaseIdle;
}

void WaveIn() {
  video::FadeInStep(0, 255);
  TitleWave = (TitleWave + 5) % 1024;
  ++TitleTimer;
  ClearScreen();
  // 96 strips of 3 rows, each shifted along a sine that travels.
  for (i32 k = 0; k < 96; ++k) {
    f32 s = app::SineTable[(TitleWave + 5 * k) % 1024];
    i32 d = static_cast<i32>(static_cast<f32>(TitleAmplitude) * s);
    video::BlitSheet({d, 3 * k, d + 640, 3 * k + 3},
                     {0, 480 + 3 * k, 640, 483 + 3 * k}, video::kModeKeyed, 0);
  }
  if (TitleTimer >= 3) {
    TitleTimer = 0;
    if (TitleAmplitude == 0) {
      TitlePhase = kPhaseReveal;
      TitleWave = 0;
      TitleAmplitude = 100;
      TitleTimer = 0;
    } else {
      --TitleAmplitude;
    }
  }
}

void Reveal() {
  TitleWave += 20;
  if (TitleWave > 240) {
    TitleWave = 240;
    TitlePhase = kPhaseIdle;
  }
  // No clear: the band grows over what the back buffer already holds.
  Copy({1, 240 - TitleWave, 640, 240});
  Copy({1, 240, 640, 240 + TitleWave});
  DrawLettering();
}

void DrawEmblem() {
  f32 v = app::SineTable[TitleSpin] * 48;
  TitleSpin = (TitleSpin + 4) % 1024;
  TitleSwing = static_cast<i32>(v);
  video::Rect dst{592 + TitleSwing, 448, 592 - TitleSwing, 480};
  video::Rect src = kEmblemFront;
  if (dst.left > dst.right) {
    // Turned past edge-on: the coin shows its other face.
    std::swap(dst.left, dst.right);
    src = kEmblemBack;
  }
  video::BlitSheet(dst, src, video::kModeKeyed, 0);
}

// Unlike a game start, both sheets are keyed on their first pixel here.
void LoadRankingSheet() {
  const char* name = app::BonusMode == 1 ? "qqqqomake.ssk" : "qqqq.ssk";
  video::LoadSskImage(name, 0, 0);
  video::SetSheetColorKey(video::LoadSskPalette(name));
}

void Idle() {
  Copy({1, 0, 640, 480});
  DrawLettering();
  DrawEmblem();
  TitleTimer = (TitleTimer + 1) % 64;
  if (TitleTimer > 31) {
    video::BlitSheet({192, 400, 448, 432}, kPrompt, video::kModeKeyed, 0);
  }
  ++TitleIdle;
  if (TitleIdle > kIdleTimeOut) {
    app::CurrentScene = RankingScene;
    TitleIdle = 0;
    LoadRankingSheet();
    TitlePhase = kPhaseLoad;
    RewindTitle();
  }
}

void Leave() {
  TitlePhase = kPhaseLoad;
  app::CurrentScene = MenuScene;
  RewindTitle();
}

}  // namespace

void TitleScene() {
  switch (TitlePhase) {
    case kPhaseLoad:
      Load();
      break;
    case kPhaseWave:
      WaveIn();
      break;
    case kPhaseReveal:
      Reveal();
      break;
    case kPhaseIdle:
      Idle();
      break;
    case kPhaseLeave:
      Leave();
      break;
    default:
      break;
  }
  if (app::LeftButton == 1) {
    TitlePhase = TitlePhase >= kPhaseIdle ? kPhaseLeave : kPhaseIdle;
    // Reloading the palette ends a fade-in at once.
    video::LoadSskPalette(TitlePictureName());
  }
}

}  // namespace scenes
