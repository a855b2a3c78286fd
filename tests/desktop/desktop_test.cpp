// The desktop back end's own logic, without a display: the pacing, the
// clicks that must not get lost, the keys and focus rules, where the picture
// goes, the settings file and the recordings' lines.
#include <gtest/gtest.h>

#include "../support/work_folder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/sdl/events.h"
#include "platform/sdl/frame_pacer.h"
#include "platform/sdl/layout.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/sharp_fit.h"
#include "platform/system/input_queue.h"
#include "platform/system/null_platform.h"
#include "platform/system/script.h"
#include "platform/system/settings_file.h"
#include "sound/volumes.h"

using platform::FramePacer;
using platform::Message;
using platform::MsgType;

namespace {

using Nanos = FramePacer::Nanos;
constexpr Nanos kMs = 1'000'000;

struct Played {
  int scenes = 0, presents = 0;
  Nanos worstLate = 0;  // how far behind its due time a scene call ran
};

// Plays `seconds` of the frame loop on a made-up clock: each scene call
// takes `scene` (a tenth of a millisecond unless said), each present
// `present(n)`; the loop sleeps until the next frame is due, as the back end
// does.
template <class PresentCost>
Played Play(FramePacer& pacer, double seconds, PresentCost present,
            bool vsync = false, Nanos scene = kMs / 10) {
  Played run;
  Nanos now = 5 * FramePacer::kSecond;
  pacer.Restart(now);
  const Nanos end = now + static_cast<Nanos>(seconds * 1e9);
  while (true) {
    const Nanos due = pacer.NextDue();
    if (due >= end) break;
    if (now < due) now = due;
    run.worstLate = std::max(run.worstLate, now - due);
    now += scene;
    ++run.scenes;
    const bool shown = pacer.ShouldPresent(now);
    if (shown) {
      now += present(now);
      ++run.presents;
    }
    pacer.FrameDone(now, shown, vsync);
  }
  return run;
}

}  // namespace

TEST(FramePacer, SixtySceneCallsASecondHoweverSlowThePresents) {
  FramePacer pacer;
  // A quick display shows every frame.
  Played r = Play(pacer, 10, [](Nanos) { return 2 * kMs; });
  EXPECT_EQ(r.scenes, 600);
  EXPECT_EQ(r.presents, 600);
  // Presents of 25 ms (a slow software renderer): frames are dropped, never
  // scene calls, and no scene call runs more than a present late.
  r = Play(pacer, 10, [](Nanos) { return 25 * kMs; });
  EXPECT_EQ(r.scenes, 600);
  EXPECT_EQ(r.presents, 398);
  EXPECT_LE(r.worstLate, 25 * kMs + kMs);
  // A frame is shown whenever its present can start before the next scene
  // call is due, however little time is left: a scene call of 13 ms leaves
  // 3.7 ms, and a present of 1 ms fits.
  r = Play(
      pacer, 10, [](Nanos) { return kMs; }, false, 13 * kMs);
  EXPECT_EQ(r.presents, 600);
  // A present now and then that takes half a second is caught up on.
  int n = 0;
  r = Play(pacer, 10, [&](Nanos) { return ++n % 120 == 0 ? 500 * kMs : kMs; });
  EXPECT_EQ(r.scenes, 600);
}

TEST(FramePacer, ALongStallStartsTheCountAfresh) {
  FramePacer pacer;
  pacer.Restart(0);
  EXPECT_TRUE(pacer.ShouldPresent(kMs));
  pacer.FrameDone(3 * FramePacer::kSecond, true, false);
  // Three seconds lost (a dragged window): the next frame is due at once,
  // not 180 frames in a rush.
  EXPECT_EQ(pacer.NextDue(), 3 * FramePacer::kSecond);
}

TEST(FramePacer, VsyncIsKeptOnlyWhileItsPresentsComeSixtyASecond) {
  // A present that waits for the next vblank of a display at `hz`.
  auto vblank = [](double hz) {
    return [hz](Nanos now) {
      const double period = 1e9 / hz;
      const double next = (std::floor(double(now) / period) + 1) * period;
      return static_cast<Nanos>(next) - now + 1;
    };
  };
  const std::pair<double, bool> kDisplays[] = {{60.0, true},  {59.94, true},
                                               {120.0, true}, {63.5, false},
                                               {75.0, false}, {30.0, false}};
  for (const auto& [hz, trusted] : kDisplays) {
    FramePacer pacer;
    const Played r = Play(pacer, 5, vblank(hz), true);
    EXPECT_EQ(pacer.VsyncTrusted(), trusted) << hz;
    // (A first frame that waited long for its vblank starts the count.)
    EXPECT_NEAR(r.scenes, 300, 1) << hz;
  }
}

namespace {

std::vector<MsgType> Drain(platform::InputQueue& q) {
  std::vector<MsgType> types;
  for (Message m; q.Pop(m);) types.push_back(m.type);
  return types;
}

// What the frame loop would make of the queue: the button flags each scene
// sees, handling every waiting message before each scene call.
std::vector<int> LeftButtonPerScene(
    platform::InputQueue& q,
    const std::vector<std::vector<MsgType>>& arrivals) {
  std::vector<int> seen;
  int left = 0;
  for (const auto& between : arrivals) {
    for (MsgType t : between) q.Push({t, 0, 0});
    for (MsgType t : Drain(q)) {
      if (t == MsgType::LButtonDown) left = 1;
      if (t == MsgType::LButtonUp) left = 0;
    }
    seen.push_back(left);
    left = 0;  // the frame loop clears the flags after each scene
    q.SceneCalled();
  }
  return seen;
}

}  // namespace

TEST(InputQueue, AClickBetweenTwoFramesIsSeenAsOne) {
  using enum MsgType;
  platform::InputQueue q;
  // Press and release before one scene call: that scene sees the press.
  EXPECT_EQ(LeftButtonPerScene(q, {{LButtonDown, LButtonUp}, {}, {}}),
            (std::vector<int>{1, 0, 0}));
  // A double click in one frame: two frames see a press.
  EXPECT_EQ(LeftButtonPerScene(
                q, {{LButtonDown, LButtonUp, LButtonDown, LButtonUp}, {}, {}}),
            (std::vector<int>{1, 1, 0}));
  // A slow click is untouched.
  EXPECT_EQ(LeftButtonPerScene(q, {{LButtonDown}, {}, {LButtonUp}, {}}),
            (std::vector<int>{1, 0, 0, 0}));
  // Moves are not held back behind a held release; the right button has
  // its own hold.
  for (MsgType t :
       {LButtonDown, LButtonUp, MouseMove, RButtonDown, RButtonUp}) {
    q.Push({t, 0, 0});
  }
  EXPECT_EQ(Drain(q),
            (std::vector<MsgType>{LButtonDown, MouseMove, RButtonDown}));
  q.SceneCalled();
  EXPECT_EQ(Drain(q), (std::vector<MsgType>{LButtonUp, RButtonUp}));
}

TEST(InputQueue, MovesCollapseAndNeverCrowdOutClicks) {
  platform::InputQueue q;
  for (std::uint32_t i = 0; i < 5000; ++i) {
    q.Push({MsgType::MouseMove, 0, i});
    if (i % 1000 == 999) q.Push({MsgType::LButtonDown, 0, 0});
  }
  // Each run of moves is one message with the newest position.
  EXPECT_EQ(q.Size(), 10u);
  Message m;
  ASSERT_TRUE(q.Pop(m));
  EXPECT_EQ(m.lParam, 999u);
  // A stalled reader: the moves stop at the limit, clicks still get in.
  q.Clear();
  for (std::uint32_t i = 0; i < 3000; ++i) {
    q.Push({MsgType::KeyDown, 0, 0});
    q.Push({MsgType::MouseMove, 0, i});
  }
  q.Push({MsgType::LButtonDown, 0, 0});
  const std::vector<MsgType> got = Drain(q);
  EXPECT_EQ(std::count(got.begin(), got.end(), MsgType::KeyDown), 3000);
  EXPECT_LT(std::count(got.begin(), got.end(), MsgType::MouseMove), 1024);
  EXPECT_EQ(std::count(got.begin(), got.end(), MsgType::LButtonDown), 1);
}

TEST(Recording, EveryEventAScriptHoldsReadsBackTheSame) {
  using enum MsgType;
  const std::vector<platform::ScriptEvent> events = {
      {0, {MouseMove, 0, 240u << 16 | 479}},
      {0, {LButtonDown, 0, 0}},
      {1, {LButtonUp, 0, 0}},
      {7, {RButtonDown, 0, 0}},
      {7, {RButtonUp, 0, 0}},
      {9, {Activate, 0, 0}},
      {12, {KeyDown, platform::kKeyEscape, 0}}};
  std::string text = "# seed 4000000000\n";
  for (const auto& e : events) {
    text += platform::FormatScriptEvent(e.frame, e.message) + "\n";
  }
  // What a script cannot hold changes nothing a scene sees: left out.
  EXPECT_EQ(platform::FormatScriptEvent(3, {KeyDown, 0, 0}), "");
  EXPECT_EQ(platform::FormatScriptEvent(3, {Activate, 1, 0}), "");
  std::vector<platform::ScriptEvent> back;
  std::string error;
  ASSERT_TRUE(platform::ParseScript(text, "r.txt", back, error)) << error;
  ASSERT_EQ(back.size(), events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    const Message &a = back[i].message, &b = events[i].message;
    EXPECT_EQ(std::tie(back[i].frame, a.type, a.wParam, a.lParam),
              std::tie(events[i].frame, b.type, b.wParam, b.lParam))
        << i;
  }
  std::uint32_t seed = 0;
  ASSERT_TRUE(platform::ReadScriptSeed(text, seed));
  EXPECT_EQ(seed, 4000000000u);
  EXPECT_FALSE(platform::ReadScriptSeed("# seed 5000000000\n", seed));
  EXPECT_FALSE(platform::ReadScriptSeed("1 ldown\n# seed 5\n", seed));
}

namespace {

// What the game takes from a settings file: the mode and the scale, then
// the master, music and effects volumes and the mute.
auto Read(platform::SettingsFile& s) {
  const platform::DisplaySettings d = platform::ReadDisplaySettings(s);
  const sound::Volumes v = platform::ReadVolumes(s);
  return std::tuple(d.fullScreen, d.scale, v.master, v.music, v.effects,
                    v.mute);
}

}  // namespace

TEST(SettingsFile, RemembersTheModeAndVolumesAndKeepsWhatItDoesNotKnow) {
  testsupport::WorkFolder folder("ts_settings", false);
  const std::string path = (folder.path() / "cfg" / "settings.conf").string();
  platform::NullPlatform files;
  platform::SettingsFile s;
  ASSERT_TRUE(s.Load(files, path));  // missing: the defaults
  EXPECT_EQ(Read(s), std::tuple(true, 0, 100, 100, 100, false));

  std::filesystem::create_directories(folder.path() / "cfg");
  std::ofstream(path) << "# hand-edited\n"
                         "music_volume = 40\n"
                         "mode = window\n"
                         "scale=3\n"
                         "language = fr  # a later version's\n"
                         "this line is nonsense\n";
  ASSERT_TRUE(s.Load(files, path));
  EXPECT_EQ(Read(s), std::tuple(false, 3, 100, 40, 100, false));

  // Switched to full screen and muted: saved, read back, the rest kept.
  platform::WriteDisplaySettings(s, {true, 3});
  platform::WriteVolumes(s, {0, 40, 100, true});
  std::string error;
  ASSERT_TRUE(s.Save(files, platform::LockWait::No, error)) << error;
  platform::SettingsFile again;
  ASSERT_TRUE(again.Load(files, path));
  EXPECT_EQ(Read(again), std::tuple(true, 3, 0, 40, 100, true));
  EXPECT_EQ(again.Get("language", ""), "fr");

  // Values it cannot use fall back to the defaults.
  again.Set("mode", "sideways");
  again.Set("scale", "99");
  again.Set("effects_volume", "101");
  again.Set("mute", "maybe");
  EXPECT_EQ(Read(again), std::tuple(true, 0, 0, 40, 100, false));
}

TEST(Layout, ThePictureIsTheLargestWholeScaleCentredAndThePointerFollowsIt) {
  using platform::GamePointer;
  using platform::PlacePicture;
  EXPECT_EQ(platform::FittingScale(2560, 1440), 3);
  EXPECT_EQ(platform::FittingScale(1280, 800), 1);  // 2x is 960 rows
  EXPECT_EQ(platform::FittingScale(320, 200), 1);   // never below 1

  // 1920 x 1080: 2x, bars of 320 at the sides and 60 above and below.
  platform::PictureLayout l = PlacePicture(1920, 1080, 1920);
  EXPECT_EQ(std::tie(l.scale, l.x, l.y, l.width, l.height),
            std::tuple(2, 320, 60, 1280, 960));
  EXPECT_TRUE(l.HasBars());
  EXPECT_EQ(GamePointer(l, 320 + 2 * 100 + 1, 60 + 2 * 7), 7u << 16 | 100);
  // Over the bars: the picture's nearest edge.
  EXPECT_EQ(GamePointer(l, 0, 0), 0u);
  EXPECT_EQ(GamePointer(l, 1919, 1079), 479u << 16 | 639);
  // A high-density screen: the window is 1280 x 720 points, 2560 x 1440
  // pixels; points are doubled before they are mapped.
  l = PlacePicture(2560, 1440, 1280);
  EXPECT_EQ(std::tie(l.scale, l.x, l.y), std::tuple(3, 320, 0));
  EXPECT_EQ(GamePointer(l, 640, 360), 240u << 16 | 320);
  EXPECT_EQ(platform::StartWindowPointer(-5, 900), 239u << 16);
}

TEST(Layout, WhereAWholeNumberGivesOnlyOneTimesTheSharpFitFillsTheScreen) {
  using platform::PlacePicture;
  using platform::ScaleMode;
  // Full screen at 1280 x 800 and 1366 x 768: auto fits by a fraction.
  platform::PictureLayout l = PlacePicture(1280, 800, 0, ScaleMode::Auto);
  EXPECT_EQ(std::tie(l.scale, l.x, l.y, l.width, l.height),
            std::tuple(0, 106, 0, 1067, 800));
  l = PlacePicture(1366, 768, 0, ScaleMode::Auto);
  EXPECT_EQ(std::tie(l.scale, l.x, l.y, l.width, l.height),
            std::tuple(0, 171, 0, 1024, 768));
  // Where a whole number gives 2x or more, auto keeps it; fit does not.
  l = PlacePicture(1920, 1080, 0, ScaleMode::Auto);
  EXPECT_EQ(std::tie(l.scale, l.width), std::tuple(2, 1280));
  l = PlacePicture(1920, 1080, 0, ScaleMode::Fit);
  EXPECT_EQ(std::tie(l.scale, l.x, l.width, l.height),
            std::tuple(0, 240, 1440, 1080));
  // A fit that lands on a whole number is one; a whole-number window
  // asked to be whole stays so.
  l = PlacePicture(2560, 1440, 0, ScaleMode::Fit);
  EXPECT_EQ(std::tie(l.scale, l.width), std::tuple(3, 1920));
  l = PlacePicture(1280, 800, 0, ScaleMode::Whole);
  EXPECT_EQ(std::tie(l.scale, l.width), std::tuple(1, 640));

  // Aiming is exact: in every column and row the pointer names the game
  // pixel that covers most of the output pixel under it, as drawn, and
  // every game pixel can be aimed at.
  for (const auto& [w, h] : {std::pair(1280, 800), std::pair(1366, 768),
                             std::pair(1600, 900), std::pair(1884, 1413)}) {
    l = PlacePicture(w, h, 0, ScaleMode::Fit);
    platform::SharpFit fit;
    fit.Configure(640, 480, l.width, l.height);
    std::vector<bool> aimed(640, false);
    for (int i = 0; i < l.width; ++i) {
      const auto t = fit.columns()[std::size_t(i)];
      const std::uint32_t p = platform::GamePointer(l, l.x + i, l.y);
      // (Split in halves, either is right.)
      ASSERT_TRUE((p & 0xFFFF) == t.index + (t.share < 128 ? 1u : 0u) ||
                  ((p & 0xFFFF) == t.index + 1u && t.share == 128))
          << w << " column " << i;
      aimed[p & 0xFFFF] = true;
    }
    EXPECT_EQ(std::count(aimed.begin(), aimed.end(), true), 640) << w;
    for (int j = 0; j < l.height; ++j) {
      const auto t = fit.rows()[std::size_t(j)];
      const std::uint32_t p = platform::GamePointer(l, l.x, l.y + j) >> 16;
      ASSERT_TRUE(p == t.index + (t.share < 128 ? 1u : 0u) ||
                  (p == t.index + 1u && t.share == 128))
          << w << " row " << j;
    }
  }
}

TEST(Layout, AWindowFitsTheRoomTheFrameLeaves) {
  using platform::WindowSize;
  const auto size = [](platform::Size s) {
    return std::pair(s.width, s.height);
  };
  // 2560 x 1440 less a 1-pixel frame with a 26-row title: 3x (1440 rows)
  // no longer fits, 2x does; fit takes all the rows there are.
  EXPECT_EQ(size(WindowSize(2558, 1413, 0)), std::pair(1280, 960));
  EXPECT_EQ(size(WindowSize(2558, 1413, 3)), std::pair(1280, 960));
  EXPECT_EQ(size(WindowSize(2558, 1413, 1)), std::pair(640, 480));
  EXPECT_EQ(size(WindowSize(2558, 1413, platform::kScaleFit)),
            std::pair(1884, 1413));
  // 1280 x 800 less its frame: auto is a fit, as wide as 4:3 allows.
  EXPECT_EQ(size(WindowSize(1278, 773, 0)), std::pair(1031, 773));
  // 1366 x 768 with a panel: the same.
  EXPECT_EQ(size(WindowSize(1364, 713, 0)), std::pair(951, 713));
  // Never below 640 x 480, however little room there is.
  EXPECT_EQ(size(WindowSize(800, 400, 0)), std::pair(640, 480));
  EXPECT_EQ(size(WindowSize(600, 900, platform::kScaleFit)),
            std::pair(640, 480));
}

namespace {

// The frame as 8-bit colour indices and a palette where index i is a grey
// of i: what comes out says which game pixels were mixed.
struct TestFrame {
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(640 * 480);
  platform::PaletteEntry palette[256];
  TestFrame() {
    for (int i = 0; i < 256; ++i) {
      palette[i] = {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i), 0};
    }
    std::uint32_t r = 12345;
    for (auto& p : pixels) {
      r = r * 1103515245u + 12345u;
      p = std::uint8_t(r >> 24);
    }
  }
  std::uint32_t Colour(int x, int y) const {
    const auto& e = palette[pixels[std::size_t(y) * 640 + std::size_t(x)]];
    return 0xFF000000u | std::uint32_t(e.red) << 16 |
           std::uint32_t(e.green) << 8 | e.blue;
  }
};

}  // namespace

TEST(SharpFit, EachOutputPixelIsTheGamePixelsUnderItByTheShareTheyCover) {
  TestFrame frame;
  // At a whole number it is plain whole-number scaling.
  platform::SharpFit fit;
  fit.Configure(640, 480, 1280, 960);
  std::vector<std::uint32_t> out(1280 * 960);
  fit.Convert(frame.pixels.data(), 640, frame.palette, out.data(), 1280 * 4);
  for (int y = 0; y < 960; y += 7) {
    for (int x = 0; x < 1280; ++x) {
      ASSERT_EQ(out[std::size_t(y) * 1280 + std::size_t(x)],
                frame.Colour(x / 2, y / 2));
    }
  }
  // By a fraction (1280 x 800 full screen, and a pitch wider than the
  // picture): each channel is the area-weighted mean of the game pixels
  // under the output pixel, within a step of rounding; most pixels lie
  // under one game pixel and keep its colour exactly.
  const int w = 1067, h = 800, pitch = 1100;
  fit.Configure(640, 480, w, h);
  out.assign(std::size_t(pitch) * h, 0);
  fit.Convert(frame.pixels.data(), 640, frame.palette, out.data(), pitch * 4);
  int exact = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double want[3] = {0, 0, 0};
      const double x0 = x * 640.0 / w, x1 = (x + 1) * 640.0 / w;
      const double y0 = y * 480.0 / h, y1 = (y + 1) * 480.0 / h;
      for (int gy = int(y0); gy < y1 && gy < 480; ++gy) {
        for (int gx = int(x0); gx < x1 && gx < 640; ++gx) {
          const double share =
              (std::min(x1, gx + 1.0) - std::max(x0, double(gx))) *
              (std::min(y1, gy + 1.0) - std::max(y0, double(gy))) /
              ((x1 - x0) * (y1 - y0));
          const std::uint32_t c = frame.Colour(gx, gy);
          for (int k = 0; k < 3; ++k)
            want[k] += share * (c >> (16 - 8 * k) & 255);
        }
      }
      const std::uint32_t got = out[std::size_t(y) * pitch + std::size_t(x)];
      ASSERT_EQ(got >> 24, 255u);
      for (int k = 0; k < 3; ++k) {
        ASSERT_NEAR(double(got >> (16 - 8 * k) & 255), want[k], 1.5)
            << x << "," << y;
      }
      const double gx = (x + 0.5) * 640.0 / w, gy = (y + 0.5) * 480.0 / h;
      exact += got == frame.Colour(int(gx), int(gy));
    }
    ASSERT_EQ(out[std::size_t(y) * pitch + w], 0u) << "past the row";
  }
  // At 1.67x about a third of them straddle no edge across or down.
  EXPECT_GT(exact, w * h / 4);
}

TEST(MessageBox, LongTextsAreBrokenIntoLines) {
  using platform::BreakLines;
  const std::string text =
      "The picture files (qqqq.ssk and others) are in none of these folders: "
      "/usr/local/share/tumblesquash, /home/someone/games/tumblesquash/bin, "
      "/a/very/long/working/folder/that/goes/on/and/on/and/on/and/on/and/on. "
      "Reinstall the game, or name their folder with --data DIR.";
  const std::string broken = BreakLines(text, 40);
  std::string joined;
  std::size_t start = 0, lines = 0;
  while (start <= broken.size()) {
    std::size_t end = broken.find('\n', start);
    if (end == std::string::npos) end = broken.size();
    const std::string line = broken.substr(start, end - start);
    EXPECT_LE(line.size(), 40u) << line;
    EXPECT_FALSE(line.empty());
    joined += line;
    ++lines;
    start = end + 1;
  }
  EXPECT_GE(lines, 7u);
  // Nothing but spaces at the breaks is lost.
  std::string squeezed = text;
  std::erase(squeezed, ' ');
  std::erase(joined, ' ');
  EXPECT_EQ(joined, squeezed);
  // Short texts and their own line breaks stay; a character of several
  // bytes counts as one.
  EXPECT_EQ(BreakLines("one\ntwo", 40), "one\ntwo");
  EXPECT_EQ(BreakLines("DirectDrawのセットアップに失敗", 24),
            "DirectDrawのセットアップに失敗");
}

namespace {

using platform::SdlEvents;

// The back end as the events see it, writing down what they ask of it.
class FakeHost : public platform::EventHost {
 public:
  bool DisplayOpen() const override { return displayOpen; }
  bool FullScreen() const override { return fullScreen; }
  std::uint32_t WindowId() const override { return 7; }
  bool HasInputFocus() const override { return focus; }
  std::uint32_t Pointer(int x, int y) const override {
    return std::uint32_t(y) << 16 | std::uint32_t(x);
  }
  void ToggleFullScreen() override { ++toggles; }
  void SaveScreenshot() override { ++screenshots; }
  void VolumesChanged() override { ++volumeChanges; }
  void Resized() override {}
  void Exposed() override {}
  void Pause(bool paused) override { pauses.push_back(paused); }

  bool displayOpen = true, fullScreen = false, focus = true;
  int toggles = 0, screenshots = 0, volumeChanges = 0;
  std::vector<bool> pauses;
};

Nanos fakeNow = 0;
Nanos FakeClock() { return fakeNow; }

SDL_Event Key(SDL_Keycode key, Uint16 mod = 0, bool repeat = false) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = key;
  e.key.keysym.mod = mod;
  e.key.repeat = repeat ? 1 : 0;
  return e;
}

SDL_Event Window(Uint8 what) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = 7;
  e.window.event = what;
  return e;
}

SDL_Event Button(Uint32 type, Uint8 button) {
  SDL_Event e{};
  e.type = type;
  e.button.button = button;
  return e;
}

std::vector<Message> Messages(SdlEvents& events) {
  std::vector<Message> out;
  for (Message m; events.queue().Pop(m);) out.push_back(m);
  return out;
}

}  // namespace

TEST(DesktopEvents, OurKeysAreOursAndTheGameStillSeesTheRest) {
  FakeHost host;
  SdlEvents events(host, FakeClock);
  sound::SetVolumes({});
  events.Handle(Key(SDLK_RETURN, KMOD_LALT));
  events.Handle(Key(SDLK_RETURN, KMOD_LALT, true));  // held: once
  events.Handle(Key(SDLK_F12));
  events.Handle(Key(SDLK_F12, 0, true));
  EXPECT_EQ(host.toggles, 1);
  EXPECT_EQ(host.screenshots, 1);
  EXPECT_TRUE(Messages(events).empty());
  // The volume keys change the volume, say so, and still reach the game.
  events.Handle(Key(SDLK_MINUS));
  events.Handle(Key(SDLK_ESCAPE));
  EXPECT_EQ(host.volumeChanges, 1);
  EXPECT_EQ(sound::GetVolumes().master, 90);
  const std::vector<Message> got = Messages(events);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].wParam, 0u);
  EXPECT_EQ(got[1].wParam, platform::kKeyEscape);
  // No mode switch before the game's display is up.
  host.displayOpen = false;
  events.Handle(Key(SDLK_KP_ENTER, KMOD_RALT));
  EXPECT_EQ(host.toggles, 1);
  sound::SetVolumes({});
}

TEST(DesktopEvents, AWindowPausesWhenItLosesTheForegroundAndFullScreenEnds) {
  ::setenv("SDL_VIDEODRIVER", "dummy", 1);
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
  FakeHost host;
  SdlEvents events(host, FakeClock);
  fakeNow = 10 * FramePacer::kSecond;
  events.WindowChanging(true);
  // A loss before the window ever had the foreground does not count.
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_LOST));
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_GAINED));
  EXPECT_EQ(host.pauses, std::vector<bool>{});
  // Within the grace after a window change, a loss is looked at again once
  // the grace is over: the window has the focus back by then, nothing.
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_LOST));
  fakeNow += SdlEvents::kFocusGrace;
  events.Pump();
  EXPECT_EQ(host.pauses, std::vector<bool>{});
  // Later, a loss pauses the window; a click only brings it back...
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_LOST));
  EXPECT_TRUE(events.paused());
  events.Handle(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
  events.Handle(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT));
  EXPECT_TRUE(Messages(events).empty());
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_GAINED));
  EXPECT_EQ(host.pauses, (std::vector<bool>{true, false}));
  // ...while in full screen leaving ends the game, as it always did.
  host.fullScreen = true;
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_LOST));
  const std::vector<Message> got = Messages(events);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].type, MsgType::Activate);
  EXPECT_EQ(got[0].wParam, 0u);
  EXPECT_FALSE(events.paused());
  SDL_Quit();
}

TEST(DesktopEvents, TheClickThatEndsAPauseIsNoShot) {
  FakeHost host;
  SdlEvents events(host, FakeClock);
  constexpr Nanos kSecond = FramePacer::kSecond;
  fakeNow = 100 * kSecond;
  events.WindowChanging(true);
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_GAINED));
  fakeNow += kSecond;
  // How many presses of a click reach the game.
  const auto click = [&] {
    events.Handle(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    events.Handle(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT));
    const std::vector<Message> got = Messages(events);
    events.queue().SceneCalled();
    Messages(events);
    return std::count_if(got.begin(), got.end(), [](const Message& m) {
      return m.type == MsgType::LButtonDown;
    });
  };
  // A window manager that gives the focus on a click, then passes the
  // click on: the click only ends the pause; the next one is a shot.
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_LOST));
  EXPECT_TRUE(events.paused());
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_GAINED));
  EXPECT_FALSE(events.paused());
  fakeNow += 5 * kMs;
  EXPECT_EQ(click(), 0);
  fakeNow += 100 * kMs;
  EXPECT_EQ(click(), 1);
  // One that passes the press while the window is still paused: the press
  // and its release are taken, and the next click, however soon, counts.
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_LOST));
  events.Handle(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_GAINED));
  events.Handle(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT));
  EXPECT_TRUE(Messages(events).empty());
  fakeNow += 10 * kMs;
  EXPECT_EQ(click(), 1);
  // The focus given back from the keyboard: a click a while later counts.
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_LOST));
  events.Handle(Window(SDL_WINDOWEVENT_FOCUS_GAINED));
  fakeNow += SdlEvents::kResumeClick;
  EXPECT_EQ(click(), 1);
  EXPECT_EQ(host.pauses,
            (std::vector<bool>{true, false, true, false, true, false}));
}

TEST(DesktopEvents, AVolumeKeyReachesTheSavedSettings) {
  testsupport::WorkFolder folder("ts_volume_key", false);
  const std::string path = (folder.path() / "settings.conf").string();
  platform::NullPlatform files;
  platform::SettingsFile settings;
  ASSERT_TRUE(settings.Load(files, path));
  sound::SetVolumes({});
  {
    platform::SdlOptions options;
    options.settings = &settings;
    platform::SdlPlatform desktop(options);
    desktop.HandleEvent(Key(SDLK_MINUS));
    desktop.HandleEvent(Key(SDLK_MINUS));
    desktop.SaveSettingsIfChanged();  // as the game does when it ends
  }
  platform::SettingsFile saved;
  ASSERT_TRUE(saved.Load(files, path));
  EXPECT_EQ(saved.Get("master_volume", ""), "80");
  sound::SetVolumes({});
}
