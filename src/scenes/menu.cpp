// The menu: Start or Settings over the title picture. Start takes one set-up
// frame that loads everything a game needs; the settings page changes the
// three settings and saves them when it is left.
#include "base/input.h"
#include "base/scene.h"
#include "base/scores.h"
#include "game/actors.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace scenes {

namespace {

constexpr u32 kPhaseChoices = 0;
constexpr u32 kPhaseSetUp = 1;
constexpr u32 kPhaseSettings = 2;

namespace sheet = layout::title;

i32 MouseXs() { return static_cast<i32>(base::MouseX); }
i32 MouseYs() { return static_cast<i32>(base::MouseY); }

// Borders count.
bool InClosedBox(i32 left, i32 top, i32 right, i32 bottom) {
  return left <= MouseXs() && MouseXs() <= right && top <= MouseYs() &&
         MouseYs() <= bottom;
}
// Borders do not count.
bool InOpenBox(i32 left, i32 top, i32 right, i32 bottom) {
  return left < MouseXs() && MouseXs() < right && top < MouseYs() &&
         MouseYs() < bottom;
}

enum class Item { None, Start, Settings };

void Choices() {
  Item hovered = Item::None;
  bool onStart = InClosedBox(256, 174, 404, 238);
  if (onStart) hovered = Item::Start;
  DrawKeyed({272, 190, 388, 222}, onStart ? sheet::kStartLit : sheet::kStart);
  bool onSettings = InClosedBox(256, 264, 404, 330);
  if (onSettings) hovered = Item::Settings;
  DrawKeyed({272, 290, 388, 314},
            onSettings ? sheet::kSettingsLit : sheet::kSettings);

  if (base::LeftButton == 1) {
    if (hovered == Item::Start) MenuPhase = kPhaseSetUp;
    if (hovered == Item::Settings) MenuPhase = kPhaseSettings;
  } else if (base::RightButton == 1) {
    base::CurrentScene = TitleScene;
  }
}

void SetUpGame() {
  sound::FillGameChannels();

  LoadGameSheet();

  game::EmptyPool();
  sound::SoundCommand(sound::kMusicChannel, -1, 0);
  game::HitCount = game::ShotCount = game::MaxCombo = 0;
  game::EnemiesSpawned = 0;
  base::CurrentScene = PlayScene;
  MenuPhase = kPhaseChoices;
}

// Draws an arrow at (x, y), lit while the mouse is strictly inside its box;
// true for a left click there. Callers act on the click before drawing on.
bool Arrow(i32 x, i32 y, video::Rect normal, video::Rect lit) {
  bool on = InOpenBox(x - 16, y - 16, x + 48, y + 48);
  DrawKeyed({x, y, x + 32, y + 32}, on ? lit : normal);
  return on && base::LeftButton == 1;
}
bool LeftArrow(i32 y) {
  return Arrow(320, y, sheet::kLeftArrow, sheet::kLeftArrowLit);
}
bool RightArrow(i32 y) {
  return Arrow(448, y, sheet::kRightArrow, sheet::kRightArrowLit);
}

void Lower(u8& value) {
  if (value != 0) --value;
}
void Raise(u8& value) {
  ++value;
  if (value > 2) value = 2;
}

// The value picture of a 0..2 setting; a value beyond 2 (only from a
// damaged file) has no picture and shows nothing.
void DrawSettingValue(u8 value, i32 y, video::Rect (*picture)(i32)) {
  if (value > 2) return;
  DrawKeyed({384, y, 416, y + 32}, picture(value));
}

bool BonusEarned() {
  return static_cast<i32>(base::HighScores[0]) > 1000 ||
         base::HighScores[9] != 0;
}

void Settings() {
  DrawKeyed({272, 0, 388, 32}, sheet::kSettingsLit);

  DrawKeyed({64, 128, 224, 160}, sheet::kDetailLabel);
  if (LeftArrow(128)) Lower(base::DetailLevel);
  if (RightArrow(128)) Raise(base::DetailLevel);
  DrawSettingValue(base::DetailLevel, 128, sheet::DetailValue);

  DrawKeyed({64, 192, 160, 224}, sheet::kSmokeLabel);
  if (LeftArrow(192)) Lower(base::Difficulty);
  if (RightArrow(192)) Raise(base::Difficulty);
  DrawSettingValue(base::Difficulty, 192, sheet::SmokeValue);

  if (BonusEarned()) {
    DrawKeyed({64, 256, 160, 288}, sheet::kBonusLabel);
    // The page changes its look at once: everything drawn after the switch
    // comes from the other title picture.
    if (LeftArrow(256)) {
      if (base::BonusMode == 1) LoadTitlePicture(layout::kTitlePicture);
      base::BonusMode = 0;
    }
    if (RightArrow(256)) {
      if (base::BonusMode == 0) LoadTitlePicture(layout::kBonusTitlePicture);
      base::BonusMode = 1;
    }
    DrawKeyed({384, 256, 416, 288},
              base::BonusMode != 0 ? sheet::kBonusOn : sheet::kBonusOff);
  }

  DrawKeyed({576, 448, 640, 480}, sheet::kBack);
  // The leave area reaches well beyond the drawn button.
  bool leave = (base::LeftButton == 1 && InOpenBox(560, 332, 640, 480)) ||
               base::RightButton == 1;
  if (leave) {
    MenuPhase = kPhaseChoices;
    base::SaveScores();
  }
}

}  // namespace

void MenuScene() {
  const video::Rect background = sheet::kBackground;
  video::BlitSheet(background, background, video::kModeOpaque, 0);
  switch (MenuPhase) {
    case kPhaseChoices:
      Choices();
      break;
    case kPhaseSetUp:
      SetUpGame();
      break;
    case kPhaseSettings:
      Settings();
      break;
    default:
      break;
  }
  DrawKeyed({MouseXs() - 16, MouseYs() - 16, MouseXs() + 16, MouseYs() + 16},
            sheet::kCursor);
}

}  // namespace scenes
