// The title: on the first visit the lettering waves in over a fade and the
// background opens from the middle; then the idle display with the turning
// emblem and the blinking prompt, until a click (menu) or 960 idle frames
// (the ranking).
#include <utility>

#include "base/input.h"
#include "base/scene.h"
#include "base/scores.h"
#include "base/trig.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace scenes {

namespace {

constexpr i32 kPhaseLoad = -1;
constexpr i32 kPhaseWave = 0;
constexpr i32 kPhaseReveal = 1;
constexpr i32 kPhaseIdle = 2;
constexpr i32 kPhaseLeave = 11;

constexpr i32 kIdleTimeOut = 960;

namespace sheet = layout::title;
constexpr video::Rect kLetteringOnScreen{0, 0, 640, 288};

// Opaque copy of a sheet rectangle to the same place on screen.
void Copy(video::Rect r) { video::BlitSheet(r, r, video::kModeOpaque, 0); }

void DrawLettering() {
  video::BlitSheet(kLetteringOnScreen, sheet::kLettering, video::kModeKeyed, 0);
}

// Back to the values a visit starts with (TitleIdle runs on).
void RewindTitle() { TS_TITLE_VISIT_GLOBALS(TS_RESTART_GLOBAL) }

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
    f32 s = base::SineTable[(TitleWave + 5 * k) % 1024];
    i32 d = static_cast<i32>(static_cast<f32>(TitleAmplitude) * s);
    video::BlitSheet({d, 3 * k, d + 640, 3 * k + 3}, sheet::LetteringStrip(k),
                     video::kModeKeyed, 0);
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
  Copy(sheet::BackgroundRows(240 - TitleWave, 240));
  Copy(sheet::BackgroundRows(240, 240 + TitleWave));
  DrawLettering();
}

void DrawEmblem() {
  f32 v = base::SineTable[TitleSpin] * 48;
  TitleSpin = (TitleSpin + 4) % 1024;
  TitleSwing = static_cast<i32>(v);
  video::Rect dst{592 + TitleSwing, 448, 592 - TitleSwing, 480};
  video::Rect src = sheet::kEmblemFront;
  if (dst.left > dst.right) {
    // Turned past edge-on: the coin shows its other face.
    std::swap(dst.left, dst.right);
    src = sheet::kEmblemBack;
  }
  video::BlitSheet(dst, src, video::kModeKeyed, 0);
}

// Unlike a game start, both sheets are keyed on their first pixel here.
void LoadRankingSheet() {
  LoadPictureKeyedOnFirstByte(base::BonusMode == 1 ? layout::kBonusGameSheet
                                                   : layout::kGameSheet);
}

void Idle() {
  Copy(sheet::kBackground);
  DrawLettering();
  DrawEmblem();
  TitleTimer = (TitleTimer + 1) % 64;
  if (TitleTimer > 31) {
    video::BlitSheet({192, 400, 448, 432}, sheet::kPrompt, video::kModeKeyed,
                     0);
  }
  ++TitleIdle;
  if (TitleIdle > kIdleTimeOut) {
    base::CurrentScene = RankingScene;
    TitleIdle = 0;
    LoadRankingSheet();
    TitlePhase = kPhaseLoad;
    RewindTitle();
  }
}

void Leave() {
  TitlePhase = kPhaseLoad;
  base::CurrentScene = MenuScene;
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
  if (base::LeftButton == 1) {
    TitlePhase = TitlePhase >= kPhaseIdle ? kPhaseLeave : kPhaseIdle;
    // Reloading the palette ends a fade-in at once.
    video::LoadSskPalette(TitlePictureName());
  }
}

}  // namespace scenes
