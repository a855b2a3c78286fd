// The desktop back end's own logic, without a display: the pacing, the
// clicks that must not get lost, the settings file and the recordings.
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

#include "loop/main_loop.h"
#include "platform/null/input_queue.h"
#include "platform/null/null_platform.h"
#include "platform/null/script.h"
#include "platform/null/settings_file.h"
#include "platform/sdl/frame_pacer.h"

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
// takes a tenth of a millisecond, each present `present(n)`; the loop
// sleeps until the next frame is due, as the back end does.
template <class PresentCost>
Played Play(FramePacer& pacer, double seconds, PresentCost present,
            bool vsync = false) {
  Played run;
  Nanos now = 5 * FramePacer::kSecond;
  pacer.Restart(now);
  const Nanos end = now + static_cast<Nanos>(seconds * 1e9);
  while (true) {
    const Nanos due = pacer.NextDue();
    if (due >= end) break;
    if (now < due) now = due;
    run.worstLate = std::max(run.worstLate, now - due);
    now += kMs / 10;  // the scene
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
  EXPECT_GT(r.presents, 300);
  EXPECT_LT(r.presents, 450);
  EXPECT_LE(r.worstLate, 25 * kMs + kMs);
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
    EXPECT_EQ(r.scenes, 300) << hz;
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

// A replay hands out an event of frame F in the passes before the F-th
// scene call, up to the last frame the 32-bit count reaches.
TEST(Recording, ReplayEventsFallDueBeforeTheirFrame) {
  const bool pregame = loop::InPregame;
  const auto calls = loop::SceneCalls;
  loop::InPregame = false;
  platform::ScriptPlayer player(
      {{5, {MsgType::RButtonDown, 0, 0}},
       {platform::kLastReachableFrame, {MsgType::RButtonUp, 0, 0}}});
  Message m{};
  loop::SceneCalls = 3;
  ASSERT_TRUE(player.Next(m));  // the start-up click the script lacked
  EXPECT_EQ(m.type, MsgType::LButtonDown);
  EXPECT_FALSE(player.Next(m));
  loop::SceneCalls = 4;
  ASSERT_TRUE(player.Next(m));
  EXPECT_EQ(m.type, MsgType::RButtonDown);
  EXPECT_FALSE(player.Next(m));
  loop::SceneCalls = platform::kLastReachableFrame;
  ASSERT_TRUE(player.Next(m));
  EXPECT_EQ(m.type, MsgType::RButtonUp);
  EXPECT_FALSE(player.Next(m));
  loop::InPregame = pregame;
  loop::SceneCalls = calls;
}

namespace {

// What the game takes from a settings file: the mode and the scale, then
// the master, music and effects volumes and the mute.
auto Read(const platform::SettingsFile& s) {
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
  ASSERT_TRUE(s.Save(files, error)) << error;
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
