// Whole runs of the game through the headless runner, read back from the
// trace. The recorded runs in tests/golden pin every frame of one run per
// process; these check what they cannot: the second visit to the title past
// their end, and a second run in the same process.
#include <fstream>
#include <string>
#include <tuple>

#include "platform/headless/headless.h"
#include "scene_fixture.h"

namespace scenes_test {
namespace {

using Trace = std::vector<std::string>;  // one line a frame, 1-based

// Each test runs the game once, from reset globals as a fresh process would.
class FlowTest : public SceneTest {
 protected:
  Trace Run(const std::string& script, int frames) {
    std::ofstream("input.txt") << script;
    headless::Options options;
    options.hasSeed = true;
    options.seed = 7;
    options.frames = frames;
    options.inputFile = "input.txt";
    options.traceFile = "trace.jsonl";
    EXPECT_EQ(headless::Run(options), 0);
    Trace out(1);
    std::ifstream trace("trace.jsonl");
    for (std::string line; std::getline(trace, line);) out.push_back(line);
    EXPECT_EQ(out.size(), std::size_t(frames + 1));
    return out;
  }
  // Frames on which `scene` is called after another scene (or first).
  static std::vector<int> Starts(const Trace& t, const std::string& scene) {
    std::vector<int> out;
    const std::string is = "\"scene\":\"" + scene + "\"";
    for (std::size_t i = 1, was = 0; i < t.size(); ++i) {
      const bool now = t[i].find(is) != std::string::npos;
      if (now && !was) out.push_back(int(i));
      was = now;
    }
    return out;
  }
};

// The opening runs 482 frames; the title's first visit waves in for 303
// and reveals for 13, then idles 961 frames; the ranking takes 642.
constexpr int kTitleStart = 483, kFirstIdle = kTitleStart + 303 + 13;
constexpr int kSecondTitle = kFirstIdle + 961 + 642;

TEST_F(FlowTest, IdleAttractLoopsThroughTitleAndRanking) {
  const Trace t = Run("", 3400);
  EXPECT_EQ(Starts(t, "TitleScene"),
            (std::vector<int>{kTitleStart, kSecondTitle}));
  // A later visit spends a frame reloading the picture, then idles 961.
  EXPECT_EQ(Starts(t, "RankingScene"),
            (std::vector<int>{kFirstIdle + 961, kSecondTitle + 962}));
}

TEST_F(FlowTest, ASecondRunInTheSameProcessStartsClean) {
  // From the idle title into the menu, Start clicked, a shot in the game.
  const int menu = kFirstIdle + 7, play = kFirstIdle + 11;
  std::string game;
  for (auto [f, x, y] : {std::tuple{kFirstIdle + 5, 0, 0},
                         {menu + 2, 300, 200},
                         {play + 30, 320, 240}}) {
    game += std::to_string(f) + " move " + std::to_string(x) + " " +
            std::to_string(y) + "\n" + std::to_string(f) + " ldown\n" +
            std::to_string(f + 1) + " lup\n";
  }
  const Trace first = Run(game, play + 300);
  // Whatever the first run left behind, in every subsystem: each global
  // away from its start value, and the pool.
#define TS_DIRTY_SCENE(type, name, start) scenes::name = type(start + 3);
#define TS_DIRTY_GAME(type, name, start) game::name = type(start + 3);
#define TS_DIRTY_BASE(type, name, start) base::name = type(start + 3);
#define TS_DIRTY_VIDEO(type, name, start) video::name = type(start + 3);
  TS_SCENE_GLOBALS(TS_DIRTY_SCENE)
  TS_GAME_COUNTERS(TS_DIRTY_GAME)
  TS_SETTINGS(TS_DIRTY_BASE)
  TS_INPUT_GLOBALS(TS_DIRTY_BASE)
  TS_VIDEO_GLOBALS(TS_DIRTY_VIDEO)
  game::ActorPool[5].active = 1;
  EXPECT_EQ(Run(game, play + 300), first);
}

}  // namespace
}  // namespace scenes_test
