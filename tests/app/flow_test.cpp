// The headless runner end to end: the real executable, a script, a trace.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "../support/work_folder.h"
#include "platform/headless/headless.h"
#include "platform/system/usage.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Just enough JSON to check that a trace line is well formed, keeping the
// raw text of each top-level member.
struct Json {
  std::string_view s;
  std::size_t i = 0;
  std::map<std::string, std::string> top;

  bool Eat(char c) {
    while (i < s.size() && s[i] == ' ') ++i;
    if (i < s.size() && s[i] == c) return ++i, true;
    return false;
  }
  bool String() {
    if (!Eat('"')) return false;
    for (; i < s.size(); ++i) {
      if (s[i] == '\\')
        ++i;
      else if (s[i] == '"')
        return ++i, true;
    }
    return false;
  }
  // A list of values (or of "key": value pairs) up to `close`.
  bool Items(char close, bool keyed, int depth) {
    if (Eat(close)) return true;
    do {
      const std::size_t key = i;
      if (keyed && (!String() || !Eat(':'))) return false;
      const std::size_t start = i;
      if (!Value(depth + 1)) return false;
      if (keyed && depth == 0) {
        top[std::string(s.substr(key + 1, start - key - 3))] =
            std::string(s.substr(start, i - start));
      }
    } while (Eat(','));
    return Eat(close);
  }
  bool Value(int depth) {
    if (Eat('{')) return Items('}', true, depth);
    if (Eat('[')) return Items(']', false, depth);
    if (i < s.size() && s[i] == '"') return String();
    const std::size_t b = i;
    while (i < s.size() && std::strchr("0123456789-+.eE", s[i])) ++i;
    return i > b;
  }
};

// The members of a line; empty when it is not one JSON object.
std::map<std::string, std::string> Members(const std::string& line) {
  Json j{line, 0, {}};
  if (!j.Eat('{') || !j.Items('}', true, 0) || j.i != line.size()) return {};
  return j.top;
}

class Headless : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& e : fs::directory_iterator(TS_RUN_DIR)) {
      const std::string ext = e.path().extension().string();
      if (ext == ".ssk" || ext == ".SSK" || ext == ".bmp") {
        fs::copy_file(e.path(), dir_ / e.path().filename());
      }
    }
  }

  int Run(const std::string& args, std::string* errors = nullptr) {
    // A run that would never end fails here in a minute instead.
    const std::string cmd = "cd '" + dir_.string() +
                            "' && timeout 60 '" TS_GAME_EXE "' --headless " +
                            args + " 2>stderr.txt";
    const int status = std::system(cmd.c_str());
    if (errors) *errors = Read("stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
  }
  std::vector<std::map<std::string, std::string>> Trace(
      const std::string& name) {
    std::vector<std::map<std::string, std::string>> lines;
    std::istringstream in(Read(name));
    for (std::string line; std::getline(in, line);) {
      lines.push_back(Members(line));
    }
    return lines;
  }
  testsupport::WorkFolder folder_{"ts_flow", false};
  const fs::path& dir_ = folder_.path();
};

}  // namespace

TEST_F(Headless, HundredFramesGiveHundredWellFormedLines) {
  ASSERT_EQ(Run("--seed 7 --frames 100 --trace t.jsonl --trace-actors"), 0);
  const auto lines = Trace("t.jsonl");
  ASSERT_EQ(lines.size(), 100u);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const auto& m = lines[k];
    ASSERT_FALSE(m.empty()) << "line " << k + 1 << " is not JSON";
    EXPECT_EQ(m.at("frame"), std::to_string(k + 1));
    for (const char* key : {"scene", "next", "in", "rng", "g", "scores", "pool",
                            "screen", "palette", "sound", "actors"}) {
      EXPECT_TRUE(m.count(key)) << key << " missing in line " << k + 1;
    }
    EXPECT_EQ(m.at("pool").size(), 10u);  // eight hex digits in quotes
  }
  EXPECT_EQ(lines[0].at("scene"), "\"OpeningScene\"");
  // The click that ended the start-up wait is seen by the first frame.
  EXPECT_EQ(lines[0].at("in"), "[0,0,1,0]");
  EXPECT_EQ(lines[1].at("in"), "[0,0,0,0]");
  EXPECT_TRUE(fs::exists(dir_ / "Score.dat"));
}

TEST_F(Headless, ScriptEventsArriveBeforeTheirFrame) {
  Write("in.txt",
        "# start-up: a move, then the click\n"
        "0 move 10 20\n"
        "0 ldown\n"
        "0 lup\n"
        "3 move 65535 32768\n"
        "3 rdown\n");
  ASSERT_EQ(Run("--seed 1 --frames 4 --input in.txt --trace t.jsonl"), 0);
  const auto lines = Trace("t.jsonl");
  ASSERT_EQ(lines.size(), 4u);
  // The release after the starting click is handled before frame 1.
  EXPECT_EQ(lines[0].at("in"), "[10,20,0,0]");
  EXPECT_EQ(lines[2].at("in"), "[65535,32768,0,1]");
  EXPECT_EQ(lines[3].at("in"), "[65535,32768,0,0]");
}

TEST_F(Headless, EscapeEndsTheRun) {
  Write("in.txt", "5 key escape\n");
  ASSERT_EQ(Run("--input in.txt --trace t.jsonl"), 0);
  EXPECT_EQ(Trace("t.jsonl").size(), 4u);
}

TEST_F(Headless, BadOptionsAndScriptsAreRefusedWithAMessage) {
  std::string errors;
  EXPECT_NE(Run("--frames lots", &errors), 0);
  EXPECT_NE(errors.find("--frames"), std::string::npos);
  EXPECT_NE(Run("--bogus", &errors), 0);
  EXPECT_NE(errors.find("--bogus"), std::string::npos);
  Write("bad.txt", "1 move 3 4\n2 jump\n");
  EXPECT_NE(Run("--input bad.txt", &errors), 0);
  EXPECT_NE(errors.find("line 2"), std::string::npos) << errors;
  Write("bad.txt", "1 move 3 70000\n");
  EXPECT_NE(Run("--input bad.txt", &errors), 0);
  EXPECT_NE(errors.find("line 1"), std::string::npos) << errors;
  EXPECT_NE(Run("--input missing.txt", &errors), 0);
  EXPECT_NE(errors.find("missing.txt"), std::string::npos);
  // Frames past what the 32-bit count of scene calls reaches.
  EXPECT_NE(Run("--frames 4294967296", &errors), 0);
  EXPECT_NE(errors.find("--frames"), std::string::npos);
  Write("bad.txt", "0 ldown\n4294967296 ldown\n");
  EXPECT_NE(Run("--input bad.txt", &errors), 0);
  EXPECT_NE(errors.find("line 2"), std::string::npos) << errors;
  // A trace that cannot be written (a full disk) fails the run, in one line.
  EXPECT_EQ(Run("--frames 300 --trace /dev/full", &errors), 2);
  EXPECT_EQ(errors,
            "tumblesquash: cannot write \"/dev/full\": No space left "
            "on device\n");
}

TEST(HeadlessEnd, EveryRunEndsOnAFrameTheCountReaches) {
  // The run stops after this scene call; the count must get there.
  const auto last = [](long long frames, std::uint32_t eventFrame) {
    headless::Options options;
    options.frames = frames;
    return headless::LastFrame(options, {{eventFrame, {}}, {0, {}}});
  };
  EXPECT_EQ(last(-1, 50), 10050u);
  EXPECT_EQ(last(-1, 4294967295u), 4294967295u);
  EXPECT_EQ(last(-1, 4294960000u), 4294967295u);
  EXPECT_EQ(last(7, 4294967295u), 7u);
  EXPECT_EQ(last(4294967295ll, 0), 4294967295u);
}

TEST_F(Headless, AudioOutIsAWaveOfTheWholeRun) {
  ASSERT_EQ(Run("--frames 100 --volume 50 --mute --audio-out a.wav"), 0);
  const std::string wav = Read("a.wav");
  // 735 stereo 16-bit frames per frame of the run, after a canonical header.
  const std::uint32_t data = 100 * 735 * 4;
  ASSERT_EQ(wav.size(), 44 + data);
  auto u32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | std::uint8_t(wav[at + i]);
    return v;
  };
  EXPECT_EQ(wav.substr(0, 4) + wav.substr(8, 8) + wav.substr(36, 4),
            "RIFFWAVEfmt data");
  EXPECT_EQ(u32(4), 36 + data);
  EXPECT_EQ(u32(20), 1u | 2u << 16);  // PCM, stereo
  EXPECT_EQ(u32(24), 44100u);
  EXPECT_EQ(u32(32), 4u | 16u << 16);  // 4 bytes a frame, 16 bits
  EXPECT_EQ(u32(40), data);

  // Into a pipe, which cannot go back to the header: the same sound, its
  // length left unknown as streamed WAVE files have it.
  ASSERT_EQ(::mkfifo((dir_ / "p.wav").c_str(), 0644), 0);
  std::string piped;
  std::thread reader([&] { piped = Read("p.wav"); });
  std::string errors;
  EXPECT_EQ(Run("--frames 100 --volume 50 --mute --audio-out p.wav", &errors),
            0)
      << errors;
  reader.join();
  ASSERT_EQ(piped.size(), wav.size());
  EXPECT_EQ(piped.substr(44), wav.substr(44));
  EXPECT_EQ(piped.substr(8, 32), wav.substr(8, 32));
  const std::string unknown("\xd8\xff\xff\xff", 4);  // 4294967256
  EXPECT_EQ(piped.substr(40, 4), unknown);

  EXPECT_NE(Run("--frames 1 --audio-out no/such/a.wav", &errors), 0);
  EXPECT_NE(errors.find("no/such/a.wav"), std::string::npos) << errors;
  for (const char* bad : {"--volume 101", "--music-volume -1",
                          "--effects-volume x", "--volume"}) {
    EXPECT_NE(Run(bad, &errors), 0) << bad;
    EXPECT_NE(errors.find(std::string(bad).substr(0, 8)), std::string::npos)
        << errors;
  }
}

TEST(Usage, EveryOptionTheHelpAndManualListIsOneTheProgramTakes) {
  // Each with a value it takes, then --version, which ends the parse: an
  // option the program did not know would stop it first with 2.
  for (const platform::usage::Entry& e : platform::usage::kOptions) {
    std::string name = e.name;
    if (name.find("--help") != std::string::npos) continue;
    std::string value = e.value;
    if (value == "N|fit|0" || value == "N") value = "1";
    const std::string cmd = std::string("'" TS_GAME_EXE "' ") + name + " " +
                            value + " --version >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name;
  }
  // And each headless one is known to the runner's parser.
  for (const platform::usage::Entry& e : platform::usage::kHeadlessOptions) {
    const std::string name = e.name;
    if (name == "--headless") continue;
    std::string value = e.value;
    if (value == "N") value = "1";
    if (value == "FRAME:FILE.png") value = "1:x.png";
    std::vector<std::string> args = {name};
    if (!value.empty()) args.push_back(value);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    headless::Options options;
    std::string error;
    EXPECT_TRUE(
        headless::ParseOptions(int(argv.size()), argv.data(), options, error))
        << name << ": " << error;
  }
}

TEST_F(Headless, NoPicturesFoundIsAnErrorUnlessAskedFor) {
  // The program alone in a folder, run where there are no pictures either.
  const fs::path lonely = dir_ / "lonely";
  fs::create_directories(lonely / "bin");
  fs::copy_file(TS_GAME_EXE, lonely / "bin" / "tumblesquash");
  const auto run = [&](const std::string& args) {
    const std::string cmd = "cd '" + lonely.string() +
                            "' && timeout 60 bin/tumblesquash --headless "
                            "--frames 5 " +
                            args + " 2>stderr.txt";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  const int code = run("");
  if (code == 0) GTEST_SKIP() << "an installed copy of the pictures was found";
  EXPECT_EQ(code, 2);
  std::ifstream in(lonely / "stderr.txt");
  std::string said;
  std::getline(in, said);
  EXPECT_NE(said.find("no picture files"), std::string::npos) << said;
  EXPECT_NE(said.find("--no-pictures"), std::string::npos) << said;
  EXPECT_EQ(run("--no-pictures"), 0);
}

TEST_F(Headless, DataNamesThePictureFolder) {
  // The work folder has pictures that do not decode; --data's are good.
  for (const char* name : {"qqqq.ssk", "TITLE.ssk"}) Write(name, "junk");
  std::string errors;
  ASSERT_EQ(
      Run("--frames 600 --data '" TS_RUN_DIR "' --trace t.jsonl", &errors), 0);
  EXPECT_EQ(errors, "");
  ASSERT_EQ(Run("--frames 600 --trace u.jsonl", &errors), 0);
  EXPECT_NE(errors.find("qqqq.ssk"), std::string::npos) << errors;
  // The title differs from a title without its pictures; the scores stay
  // in the working folder either way.
  EXPECT_NE(Trace("t.jsonl").back().at("screen"),
            Trace("u.jsonl").back().at("screen"));
  EXPECT_TRUE(fs::exists(dir_ / "Score.dat"));
  EXPECT_FALSE(fs::exists(fs::path(TS_RUN_DIR) / "Score.dat"));
  EXPECT_NE(Run("--data no-such-folder", &errors), 0);
  EXPECT_NE(errors.find("no-such-folder"), std::string::npos) << errors;
}
