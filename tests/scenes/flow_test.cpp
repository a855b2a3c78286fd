// Whole runs of the game through the headless runner, read back from the
// trace: the frame each scene starts, the counters along the way.
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/headless/headless.h"
#include "scene_fixture.h"

namespace scenes_test {
namespace {

using Trace = std::vector<std::string>;  // one line a frame, 1-based

std::string Text(const std::string& line, const std::string& key) {
  std::size_t a = line.find("\"" + key + "\":\"") + key.size() + 4;
  return line.substr(a, line.find('"', a) - a);
}
// A number, or the first of a list.
long long Num(const std::string& line, const std::string& key) {
  std::size_t a = line.find("\"" + key + "\":") + key.size() + 3;
  return std::atoll(line.c_str() + a + (line[a] == '['));
}
bool Sound(const std::string& line, const std::string& pair) {
  return line.find(pair, line.find("\"sound\":")) != std::string::npos;
}

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
    for (std::size_t i = 1, was = 0; i < t.size(); ++i) {
      bool is = Text(t[i], "scene") == scene;
      if (is && !was) out.push_back(int(i));
      was = is;
    }
    return out;
  }
};

// The opening runs 482 frames; the title's first visit waves in for 303
// and reveals for 13, then idles 961 frames; the ranking takes 642.
constexpr int kTitleStart = 483, kFirstIdle = kTitleStart + 303 + 13;
constexpr int kMenu = kFirstIdle + 7, kPlay = kFirstIdle + 11;
constexpr int kSecondTitle = kFirstIdle + 961 + 642;

// A click in frame f (at x, y if given), let go in the next.
std::string Click(int f, std::string button = "l", int x = -1, int y = 0) {
  std::string at = std::to_string(f), move = " move " + std::to_string(x);
  return (x < 0 ? "" : at + move + " " + std::to_string(y) + "\n") + at + " " +
         button + "down\n" + std::to_string(f + 1) + " " + button + "up\n";
}
// From the idle title into the menu, and Start clicked: set-up, then play.
const std::string kToGame =
    Click(kFirstIdle + 5) + Click(kMenu + 2, "l", 300, 200);

TEST_F(FlowTest, IdleAttractLoopsThroughTitleAndRanking) {
  const Trace t = Run("", 3400);
  EXPECT_EQ(Starts(t, "TitleScene"),
            (std::vector<int>{kTitleStart, kSecondTitle}));
  EXPECT_EQ(Starts(t, "RankingScene"),
            (std::vector<int>{kFirstIdle + 961, kSecondTitle + 962}));
  // 303 frames of wave, 13 of reveal.
  for (auto [frame, phase] : {std::pair{kTitleStart + 301, 0},
                              {kTitleStart + 302, 1},
                              {kFirstIdle - 2, 1},
                              {kFirstIdle - 1, 2}}) {
    EXPECT_EQ(Num(t[frame], "TitlePhase"), phase) << frame;
  }
  EXPECT_EQ(Num(t[kSecondTitle], "TitlePhase"), 2);   // a reload, then idle
  EXPECT_TRUE(std::filesystem::exists("Score.dat"));  // made at start-up
}

TEST_F(FlowTest, ASecondRunInTheSameProcessStartsClean) {
  const std::string game = kToGame + Click(kPlay + 30, "l", 320, 240);
  const Trace first = Run(game, kPlay + 300);
  // Whatever the first run left behind, in every subsystem.
  OpeningPhase = 3, TitleIdle = 500, MenuPhase = 2, RankingFade = 9;
  game::HitCount = 7, game::ActorPool[5].active = 1, base::MouseX = 99;
  base::DetailLevel = 0, video::SheetColorKey = 3;
  EXPECT_EQ(Run(game, kPlay + 300), first);
}

TEST_F(FlowTest, GameWithABossKeyAndNoShotsEndsAndItsZeroIsRecorded) {
  // Left alone, this seed's game ends near play frame 5900; the click after.
  const int boss = kPlay + 200, click = kPlay + 8000;
  const Trace t = Run(kToGame + Click(boss, "r") + Click(boss + 10) +
                          Click(boss + 50, "r") + Click(click),
                      click + 10);
  // The boss key freezes the game, left clicks and all, then brings it back.
  EXPECT_EQ(Starts(t, "BossKeyScene"), std::vector<int>{boss + 1});
  EXPECT_EQ(Starts(t, "PlayScene"), (std::vector<int>{kPlay, boss + 51}));
  EXPECT_TRUE(Sound(t[boss], "[13,0]"));
  EXPECT_TRUE(Sound(t[boss + 50], "[13,-1]"));
  for (int f = boss + 1; f <= boss + 50; ++f) {
    ASSERT_EQ(Text(t[f], "pool"), Text(t[boss], "pool")) << f;
  }
  EXPECT_NE(Text(t[boss + 51], "pool"), Text(t[boss], "pool"));
  EXPECT_TRUE(Sound(t[kPlay - 1], "[13,-1]"));
  const std::vector<int> result = Starts(t, "ResultScene");
  ASSERT_EQ(result.size(), 1u);
  ASSERT_LT(result[0] + 86, click);
  const std::string& last = t[result[0] - 1];
  EXPECT_EQ(Num(last, "EnemiesSpawned"), 100);
  EXPECT_EQ(
      std::make_tuple(Num(last, "LiveEnemyCount"), Num(last, "ShotCount")),
      std::make_tuple(0LL, 0LL));
  EXPECT_EQ(Num(t[result[0] + 84], "ResultPhase"), 0);
  EXPECT_EQ(Num(t[result[0] + 85], "ResultPhase"), 1);
  EXPECT_EQ(Starts(t, "RankingScene"), std::vector<int>{click + 1});
  EXPECT_TRUE(Sound(t[click], "[13,0]"));
  EXPECT_EQ(Num(t.back(), "scores"), 0);  // the first, so the whole table
}

TEST_F(FlowTest, GameWithShotsRecordsItsTotal) {
  // A shot every twelve frames around the middle of the field, where the
  // waypoints gather, on and on.
  constexpr int kEvery = 12;
  const int end = kPlay + 5000;
  std::string s = kToGame;
  for (int f = kPlay + 30, n = 0; f < end; f += kEvery, ++n) {
    s += Click(f, "l", 272 + (n * 37) % 97, 192 + (n * 23) % 97);
  }
  const Trace t = Run(s, end);
  const std::vector<int> result = Starts(t, "ResultScene");
  ASSERT_GE(result.size(), 1u);
  const std::string& over = t[result[0] - 1];
  const long long hits = Num(over, "HitCount"), shots = Num(over, "ShotCount");
  const long long combo = Num(over, "MaxCombo");
  EXPECT_GE(combo, 1);
  EXPECT_GE(shots, (result[0] - kPlay - 30) / kEvery);
  // Clicks during the 86 banner frames are ignored; the first click on the
  // figures records and leaves.
  const std::vector<int> ranking = Starts(t, "RankingScene");
  ASSERT_GE(ranking.size(), 1u);
  EXPECT_GE(ranking[0], result[0] + 87);
  EXPECT_LE(ranking[0], result[0] + 87 + kEvery - 1);
  const long long total = GameTotal(i32(hits), i32(shots), i32(combo));
  EXPECT_GT(total, 0) << hits << " hits, " << shots << " shots";
  EXPECT_EQ(Num(t[ranking[0]], "scores"), total);
  EXPECT_EQ(Num(t[ranking[0] - 2], "scores"), 0);  // recorded by the click
}

TEST_F(FlowTest, SettingsPageSavesAndTheGameFollowsTheDetailLevel) {
  const std::string s = Click(kFirstIdle + 5) +
                        Click(kMenu + 1, "l", 300, 300) +
                        Click(kMenu + 3, "l", 340, 140) +  // detail down to 1
                        Click(kMenu + 5, "r") + Click(kMenu + 7, "l", 300, 200);
  const Trace t = Run(s, kMenu + 21);
  EXPECT_EQ(Num(t[kMenu + 1], "MenuPhase"), 2);
  EXPECT_EQ(Num(t[kMenu + 3], "DetailLevel"), 1);
  EXPECT_EQ(Num(t[kMenu + 5], "MenuPhase"), 0);
  EXPECT_EQ(Starts(t, "PlayScene"), std::vector<int>{kMenu + 9});
  std::string rhythm;
  for (int f = kMenu + 9; f < kMenu + 15; ++f) {
    rhythm += Num(t[f], "FrameSkipCounter") == -1 ? 'F' : 'L';
  }
  EXPECT_TRUE(rhythm == "LFLFLF" || rhythm == "FLFLFL") << rhythm;
  base::DetailLevel = 2;
  base::LoadScores();
  EXPECT_EQ(base::DetailLevel, 1);
}

}  // namespace
}  // namespace scenes_test
