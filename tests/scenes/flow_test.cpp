// Whole runs of the game through the headless runner, read back from the
// trace: the frame each scene starts, the counters at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/scores.h"
#include "game/actors.h"
#include "platform/headless/headless.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "video/video.h"

namespace scenes_test {
namespace {

namespace fs = std::filesystem;

struct TraceFrame {
  int frame = 0;
  std::string scene, next, sound, pool;
  std::map<std::string, long long> g;
  std::vector<long long> scores;
};

std::string Between(const std::string& line, const std::string& open,
                    char close) {
  std::size_t a = line.find(open);
  if (a == std::string::npos) return "";
  a += open.size();
  return line.substr(a, line.find(close, a) - a);
}

TraceFrame ParseLine(const std::string& line) {
  TraceFrame f;
  f.frame = std::atoi(Between(line, "\"frame\":", ',').c_str());
  f.scene = Between(line, "\"scene\":\"", '"');
  f.next = Between(line, "\"next\":\"", '"');
  f.pool = Between(line, "\"pool\":\"", '"');
  std::size_t s = line.find("\"sound\":[");
  if (s != std::string::npos) f.sound = line.substr(s + 9);
  std::istringstream g(Between(line, "\"g\":{", '}'));
  std::string pair;
  while (std::getline(g, pair, ',')) {
    std::size_t colon = pair.find(':');
    f.g[pair.substr(1, colon - 2)] = std::atoll(pair.c_str() + colon + 1);
  }
  std::istringstream scores(Between(line, "\"scores\":[", ']'));
  std::string v;
  while (std::getline(scores, v, ','))
    f.scores.push_back(std::atoll(v.c_str()));
  return f;
}

class FlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = fs::current_path();
    char pattern[] = "/tmp/scenes_flow_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::current_path(dir_);
    // Synthetic pictures: the flow does not depend on the artwork.
    WriteTitlePicture("TITLE.ssk");
    WriteTitlePicture("OMAKETITLE.ssk", 100);
    WriteGameSheet("qqqq.ssk");
    WriteGameSheet("qqqqomake.ssk", 100);
    WriteBossPicture();
  }
  void TearDown() override {
    if (dir_.empty()) return;
    fs::current_path(oldDir_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // Runs the game with a script; the trace's frames, 1-based.
  std::vector<TraceFrame> Run(const std::string& script, long long frames) {
    // Each run starts as a fresh process would.
    video::ResetVideo();
    sound::ResetSound();
    game::ResetGame();
    scenes::ResetScenes();
    {
      std::ofstream in("input.txt");
      in << script;
    }
    headless::Options options;
    options.hasSeed = true;
    options.seed = 7;
    options.frames = frames;
    options.inputFile = "input.txt";
    options.traceFile = "trace.jsonl";
    EXPECT_EQ(headless::Run(options), 0);
    std::vector<TraceFrame> out(1);
    std::ifstream trace("trace.jsonl");
    std::string line;
    while (std::getline(trace, line)) out.push_back(ParseLine(line));
    EXPECT_EQ(out.size(), std::size_t(frames + 1));
    return out;
  }
  // Frames on which `scene` is called after another scene (or first).
  static std::vector<int> Starts(const std::vector<TraceFrame>& t,
                                 const std::string& scene) {
    std::vector<int> out;
    for (std::size_t i = 1; i < t.size(); ++i) {
      if (t[i].scene == scene && (i == 1 || t[i - 1].scene != scene)) {
        out.push_back(t[i].frame);
      }
    }
    return out;
  }

  fs::path dir_, oldDir_;
};

// The opening runs 482 frames; the title's first visit waves in for 303
// and reveals for 13, then idles 961 frames; the ranking takes 642.
constexpr int kTitleStart = 483;
constexpr int kFirstIdle = kTitleStart + 303 + 13;

// Into the menu from the idle title, and a click on Start.
std::string ToGame(int& playStart) {
  std::ostringstream s;
  s << kFirstIdle + 5 << " ldown\n" << kFirstIdle + 5 + 1 << " lup\n";
  s << kFirstIdle + 8 << " move 300 200\n";
  s << kFirstIdle + 9 << " ldown\n" << kFirstIdle + 9 + 1 << " lup\n";
  // the click frame sets up in the next one, then play
  playStart = kFirstIdle + 11;
  return s.str();
}

TEST_F(FlowTest, IdleAttractLoopsThroughTitleAndRanking) {
  const auto t = Run("", 3400);
  EXPECT_EQ(Starts(t, "OpeningScene"), std::vector<int>{1});
  EXPECT_EQ(Starts(t, "TitleScene"), (std::vector<int>{kTitleStart, 2402}));
  EXPECT_EQ(Starts(t, "RankingScene"),
            (std::vector<int>{kFirstIdle + 961, 2402 + 962}));
  EXPECT_EQ(kFirstIdle + 961 + 642, 2402);
  EXPECT_EQ(t[kFirstIdle].g.at("TitlePhase"), 2);
  EXPECT_EQ(t[2402].g.at("TitlePhase"), 2);  // later visits reload, then idle
  EXPECT_EQ(t[2401].g.at("RankingPhase"), 0);
  EXPECT_TRUE(fs::exists("Score.dat"));  // made at start-up
}

TEST_F(FlowTest, GameWithoutShotsEndsAndItsZeroIsRecorded) {
  int play = 0;
  std::ostringstream s;
  s << ToGame(play);
  // Left alone, this seed's game is over after about 5900 frames; the
  // click comes well after that, on the figures.
  const int click = play + 8000;
  s << click << " ldown\n" << click + 1 << " lup\n";
  const auto t = Run(s.str(), click + 10);
  EXPECT_EQ(Starts(t, "MenuScene"), std::vector<int>{kFirstIdle + 7});
  EXPECT_EQ(Starts(t, "PlayScene"), std::vector<int>{play});
  EXPECT_NE(t[play - 1].sound.find("[13,-1]"), std::string::npos);
  const std::vector<int> result = Starts(t, "ResultScene");
  ASSERT_EQ(result.size(), 1u);
  ASSERT_LT(result[0] + 86, click);
  const TraceFrame& last = t[result[0] - 1];
  EXPECT_EQ(last.g.at("EnemiesSpawned"), 100);
  EXPECT_EQ(last.g.at("LiveEnemyCount"), 0);
  EXPECT_EQ(last.g.at("ShotCount"), 0);
  EXPECT_EQ(last.g.at("HitCount"), 0);
  EXPECT_EQ(t[result[0] + 85].g.at("ResultPhase"), 1);
  EXPECT_EQ(Starts(t, "RankingScene"), std::vector<int>{click + 1});
  EXPECT_NE(t[click].sound.find("[13,0]"), std::string::npos);
  EXPECT_EQ(t.back().scores, std::vector<long long>(10, 0));
}

TEST_F(FlowTest, GameWithShotsRecordsItsTotal) {
  int play = 0;
  std::ostringstream s;
  s << ToGame(play);
  // A shot every twelve frames around the middle of the field, where the
  // waypoints gather, on and on.
  constexpr int kEvery = 12;
  int n = 0;
  const int end = play + 5000;
  for (int f = play + 30; f < end; f += kEvery, ++n) {
    s << f << " move " << 272 + (n * 37) % 97 << " " << 192 + (n * 23) % 97
      << "\n"
      << f << " ldown\n"
      << f + 1 << " lup\n";
  }
  const auto t = Run(s.str(), end);
  const std::vector<int> result = Starts(t, "ResultScene");
  ASSERT_GE(result.size(), 1u);
  const TraceFrame& over = t[result[0] - 1];
  const long long hits = over.g.at("HitCount");
  const long long shots = over.g.at("ShotCount");
  const long long combo = over.g.at("MaxCombo");
  EXPECT_GT(hits, 0);
  EXPECT_GE(combo, 1);
  EXPECT_GE(shots, (result[0] - play - 30) / kEvery);
  // Clicks during the 86 banner frames are ignored; the first click on the
  // figures records and leaves.
  const std::vector<int> ranking = Starts(t, "RankingScene");
  ASSERT_GE(ranking.size(), 1u);
  EXPECT_GE(ranking[0], result[0] + 87);
  EXPECT_LE(ranking[0], result[0] + 87 + kEvery - 1);
  const long long total = scenes::GameTotal(i32(hits), i32(shots), i32(combo));
  EXPECT_GT(total, 0) << hits << " hits, " << shots << " shots";
  EXPECT_EQ(t[ranking[0]].scores[0], total);
  EXPECT_EQ(t[ranking[0] - 2].scores[0], 0);  // recorded by the click
  app::ResetScores();
  app::LoadScores();
  EXPECT_NE(std::find(app::HighScores, app::HighScores + 10, u32(total)),
            app::HighScores + 10);
}

TEST_F(FlowTest, BossKeyFreezesTheGameAndBringsItBack) {
  int play = 0;
  std::ostringstream s;
  s << ToGame(play);
  const int boss = play + 200;
  s << boss << " rdown\n" << boss + 1 << " rup\n";
  s << boss + 10 << " ldown\n" << boss + 10 + 1 << " lup\n";
  s << boss + 50 << " rdown\n" << boss + 51 << " rup\n";
  const auto t = Run(s.str(), boss + 60);
  EXPECT_EQ(Starts(t, "BossKeyScene"), std::vector<int>{boss + 1});
  EXPECT_EQ(Starts(t, "PlayScene"), (std::vector<int>{play, boss + 51}));
  EXPECT_NE(t[boss].sound.find("[13,0]"), std::string::npos);
  EXPECT_NE(t[boss + 50].sound.find("[13,-1]"), std::string::npos);
  for (int f = boss + 1; f <= boss + 50; ++f) {
    ASSERT_EQ(t[f].pool, t[boss].pool) << f;
    ASSERT_EQ(t[f].g.at("ShotCount"), 0) << f;
  }
  EXPECT_NE(t[boss + 51].pool, t[boss].pool);  // moving again
}

TEST_F(FlowTest, SettingsPageSavesAndTheGameFollowsTheDetailLevel) {
  std::ostringstream s;
  const int menu = kFirstIdle + 7;
  s << kFirstIdle + 5 << " ldown\n" << kFirstIdle + 5 + 1 << " lup\n";
  s << menu + 1 << " move 300 300\n" << menu + 1 << " ldown\n";
  s << menu + 1 + 1 << " lup\n";
  s << menu + 3 << " move 340 140\n" << menu + 3 << " ldown\n";  // detail - 1
  s << menu + 3 + 1 << " lup\n";
  s << menu + 5 << " rdown\n" << menu + 6 << " rup\n";  // leave, saved
  s << menu + 7 << " move 300 200\n" << menu + 7 << " ldown\n";
  s << menu + 7 + 1 << " lup\n";
  const int play = menu + 9;
  const auto t = Run(s.str(), play + 12);
  EXPECT_EQ(t[menu + 1].g.at("MenuPhase"), 2);
  EXPECT_EQ(t[menu + 3].g.at("DetailLevel"), 1);
  EXPECT_EQ(t[menu + 5].g.at("MenuPhase"), 0);
  EXPECT_EQ(Starts(t, "PlayScene"), std::vector<int>{play});
  std::string rhythm;
  for (int f = play; f < play + 6; ++f) {
    rhythm += t[f].g.at("FrameSkipCounter") == -1 ? 'F' : 'L';
  }
  EXPECT_TRUE(rhythm == "LFLFLF" || rhythm == "FLFLFL") << rhythm;
  app::DetailLevel = 2;
  app::LoadScores();
  EXPECT_EQ(app::DetailLevel, 1);
}

}  // namespace
}  // namespace scenes_test
