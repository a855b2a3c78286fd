// The headless runner end to end: the real executable, a script, a trace.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Just enough JSON to check that every trace line is well formed and to pick
// out top-level values.
struct Json {
  std::string_view s;
  std::size_t i = 0;
  void Space() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\n')) ++i;
  }
  bool Value(std::string* out = nullptr) {
    Space();
    if (i >= s.size()) return false;
    const std::size_t start = i;
    bool ok = true;
    if (s[i] == '{') {
      ++i;
      Space();
      if (i < s.size() && s[i] == '}') {
        ++i;
      } else {
        for (;;) {
          if (!String() || (Space(), i >= s.size() || s[i++] != ':') ||
              !Value()) {
            return false;
          }
          Space();
          if (i < s.size() && s[i] == ',') {
            ++i;
            continue;
          }
          if (i < s.size() && s[i] == '}') {
            ++i;
            break;
          }
          return false;
        }
      }
    } else if (s[i] == '[') {
      ++i;
      Space();
      if (i < s.size() && s[i] == ']') {
        ++i;
      } else {
        for (;;) {
          if (!Value()) return false;
          Space();
          if (i < s.size() && s[i] == ',') {
            ++i;
            continue;
          }
          if (i < s.size() && s[i] == ']') {
            ++i;
            break;
          }
          return false;
        }
      }
    } else if (s[i] == '"') {
      ok = String();
    } else {
      const std::size_t b = i;
      while (i < s.size() &&
             (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '-' ||
              s[i] == '.' || s[i] == 'e' || s[i] == 'E' || s[i] == '+')) {
        ++i;
      }
      ok = i > b;
    }
    if (out) *out = std::string(s.substr(start, i - start));
    return ok;
  }
  bool String() {
    Space();
    if (i >= s.size() || s[i] != '"') return false;
    for (++i; i < s.size(); ++i) {
      if (s[i] == '\\') {
        ++i;
        continue;
      }
      if (s[i] == '"') {
        ++i;
        return true;
      }
    }
    return false;
  }
};

// Parses a line into its top-level members; empty on malformed input.
std::map<std::string, std::string> Members(const std::string& line) {
  std::map<std::string, std::string> m;
  Json j{line};
  Json whole{line};
  if (!whole.Value() || (whole.Space(), whole.i != line.size())) return {};
  j.Space();
  if (j.s[j.i++] != '{') return {};
  for (;;) {
    const std::size_t k = j.i;
    if (!j.String()) return {};
    std::string key(line.substr(k + 1, j.i - k - 2));
    j.Space();
    ++j.i;  // ':'
    std::string value;
    if (!j.Value(&value)) return {};
    m[key] = value;
    j.Space();
    if (line[j.i] == '}') break;
    ++j.i;
  }
  return m;
}

class Headless : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ts_flow_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    for (const auto& e : fs::directory_iterator(TS_RUN_DIR)) {
      const std::string ext = e.path().extension().string();
      if (ext == ".ssk" || ext == ".SSK" || ext == ".bmp") {
        fs::copy_file(e.path(), dir_ / e.path().filename());
      }
    }
  }
  void TearDown() override { fs::remove_all(dir_); }

  int Run(const std::string& args, std::string* errors = nullptr) {
    const std::string cmd = "cd '" + dir_.string() +
                            "' && '" TS_GAME_EXE "' --headless " + args +
                            " 2>stderr.txt";
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
  fs::path dir_;
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

TEST_F(Headless, TheSameSeedAndInputGiveTheSameTrace) {
  ASSERT_EQ(Run("--seed 99 --frames 300 --trace a.jsonl"), 0);
  ASSERT_EQ(Run("--seed 99 --frames 300 --trace b.jsonl"), 0);
  EXPECT_EQ(Read("a.jsonl"), Read("b.jsonl"));
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
}

TEST_F(Headless, ShotsAreWrittenAsPng) {
  ASSERT_EQ(Run("--frames 3 --shot 2:two.png"), 0);
  const std::string png = Read("two.png");
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
}
