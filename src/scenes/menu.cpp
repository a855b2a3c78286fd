// The menu: Start or Settings over the title picture. Start takes one set-up
// frame that loads everything a game needs; the settings page changes the
// three settings and saves them when it is left.
#include "app/input.h"
#include "app/scene.h"
#include "app/scores.h"
#include "game/actors.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "video/video.h"

namespace scenes {

namespace {

constexpr u32 kPhaseChoices = 0;
constexpr u32 kPhaseSetUp = 1;
constexpr u32 kPhaseSettings = 2;

constexpr video::Rect kStartNormal{0, 896, 96, 928};
constexpr video::Rect kStartLit{96, 896, 192, 928};
constexpr video::Rect kSettingsNormal{0, 928, 96, 960};
constexpr video::Rect kSettingsLit{96, 928, 192, 960};
constexpr video::Rect kLeftArrow{256, 800, 288, 832};
constexpr video::Rect kLeftArrowLit{288, 800, 320, 832};
constexpr video::Rect kRightArrow{256, 832, 288, 864};
constexpr video::Rect kRightArrowLit{288, 832, 320, 864};
constexpr video::Rect kCursor{256, 864, 288, 896};

i32 MouseXs() { return static_cast<i32>(app::MouseX); }
i32 MouseYs() { return static_cast<i32>(app::MouseY); }

void Keyed(video::Rect dst, video::Rect src) {
  video::BlitSheet(dst, src, video::kModeKeyed, 0);
}

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
  Keyed({272, 190, 388, 222}, onStart ? kStartLit : kStartNormal);
  bool onSettings = InClosedBox(256, 264, 404, 330);
  if (onSettings) hovered = Item::Settings;
  Keyed({272, 290, 388, 314}, onSettings ? kSettingsLit : kSettingsNormal);

  if (app::LeftButton == 1) {
    if (hovered == Item::Start) MenuPhase = kPhaseSetUp;
    if (hovered == Item::Settings) MenuPhase = kPhaseSettings;
  } else if (app::RightButton == 1) {
    app::CurrentScene = TitleScene;
  }
}

void SetUpGame() {
  sound::FillGameChannels();

  LoadGameSheet();

  game::EmptyPool();
  sound::SoundCommand(13, -1, 0);
  game::HitCount = game::ShotCount = game::MaxCombo = 0;
  game::EnemiesSpawned = 0;
  app::CurrentScene = PlayScene;
  MenuPhase = kPhaseChoices;
}

// Draws an arrow at (x, y), lit while the mouse is strictly inside its box;
// true for a left click there. Callers act on the click before drawing on.
bool Arrow(i32 x, i32 y, video::Rect normal, video::Rect lit) {
  bool on = InOpenBox(x - 16, y - 16, x + 48, y + 48);
  Keyed({x, y, x + 32, y + 32}, on ? lit : normal);
  return on && app::LeftButton == 1;
}
bool LeftArrow(i32 y) { return Arrow(320, y, kLeftArrow, kLeftArrowLit); }
bool RightArrow(i32 y) { return Arrow(448, y, kRightArrow, kRightArrowLit); }

void Lower(u8& value) {
  if (value != 0) --value;
}
void Raise(u8& value) {
  ++value;
  if (value > 2) value = 2;
}

// The value picture of a 0..2 setting in sheet row `row`; a value beyond 2
// (only from a damaged file) has no picture and shows nothing.
void DrawSettingValue(u8 value, i32 y, i32 row) {
  if (value > 2) return;
  i32 left = 288 + 32 * (3 - value);
  Keyed({384, y, 416, y + 32}, {left, row, left + 32, row + 32});
}

bool BonusEarned() {
  return static_cast<i32>(app::HighScores[0]) > 1000 || app::HighScores[9] != 0;
}

void Settings() {
  Keyed({272, 0, 388, 32}, kSettingsLit);

  Keyed({64, 128, 224, 160}, {192, 896, 352, 928});
  if (LeftArrow(128)) Lower(app::DetailLevel);
  if (RightArrow(128)) Raise(app::DetailLevel);
  DrawSettingValue(app::DetailLevel, 128, 800);

  Keyed({64, 192, 160, 224}, {192, 928, 288, 960});
  if (LeftArrow(192)) Lower(app::Difficulty);
  if (RightArrow(192)) Raise(app::Difficulty);
  DrawSettingValue(app::Difficulty, 192, 832);

  if (BonusEarned()) {
    Keyed({64, 256, 160, 288}, {288, 928, 384, 960});
    // The page changes its look at once: everything drawn after the switch
    // comes from the other title picture.
    if (LeftArrow(256)) {
      if (app::BonusMode == 1) LoadTitlePicture("TITLE.ssk");
      app::BonusMode = 0;
    }
    if (RightArrow(256)) {
      if (app::BonusMode == 0) LoadTitlePicture("OMAKETITLE.ssk");
      app::BonusMode = 1;
    }
    Keyed({384, 256, 416, 288}, app::BonusMode != 0
                                    ? video::Rect{320, 864, 352, 896}
                                    : video::Rect{352, 864, 384, 896});
  }

  Keyed({576, 448, 640, 480}, {352, 896, 416, 928});
  // The leave area reaches well beyond the drawn button.
  bool leave = (app::LeftButton == 1 && InOpenBox(560, 332, 640, 480)) ||
               app::RightButton == 1;
  if (leave) {
    MenuPhase = kPhaseChoices;
    app::SaveScores();
  }
}

}  // namespace

void MenuScene() {
  // Column 0 is left as it was.
  video::BlitSheet({1, 0, 640, 480}, {1, 0, 640, 480}, video::kModeOpaque, 0);
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
  Keyed({MouseXs() - 16, MouseYs() - 16, MouseXs() + 16, MouseYs() + 16},
        kCursor);
}

}  // namespace scenes
