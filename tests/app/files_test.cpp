// Where an installed game looks for its pictures and keeps the scores.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "../support/work_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/scores.h"
#include "platform/system/game_files.h"
#include "platform/system/null_platform.h"
#include "video/sheet_layout.h"

namespace fs = std::filesystem;
using platform::ScorePlace;

namespace {

class GameFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"opt", "reloc", "inst", "exe", "work", "home"}) {
      fs::create_directories(Path(f));
    }
    env_.home = Path("home");
    env_.workingFolder = Path("work");
    env_.executableFolder = Path("exe");
    env_.installedDataFolder = Path("inst");
    env_.relocatedDataFolder = Path("reloc");
  }
  std::string Path(const std::string& name) const {
    return (folder_.path() / name).string();
  }
  static void Write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void Pictures(const std::string& folder) const {
    for (const char* name : layout::kSskPictures)
      Write(Path(folder) + "/" + name, "x");
    Write(Path(folder) + "/" + layout::kSplashPicture, "x");
  }
  std::string Chosen(const std::string& dataOption = "") const {
    return platform::DecideGameFiles(env_, dataOption, "").pictures;
  }

  testsupport::WorkFolder folder_{"ts_files", false};
  os::FileEnvironment env_;
};

}  // namespace

TEST_F(GameFiles, PicturesComeFromTheFirstFolderThatHoldsThemAll) {
  // Searched in this order, each folder once.
  env_.workingFolder = Path("exe") + "/.";
  const std::vector<std::string> order =
      platform::PictureFolders(env_, Path("opt"));
  EXPECT_EQ(order, (std::vector<std::string>{Path("opt"), Path("reloc"),
                                             Path("inst"), Path("exe")}));
  env_.workingFolder = Path("work");

  EXPECT_EQ(Chosen(), "");
  Pictures("work");
  EXPECT_EQ(Chosen(), Path("work"));
  Pictures("exe");
  EXPECT_EQ(Chosen(), Path("exe"));
  Pictures("inst");
  EXPECT_EQ(Chosen(), Path("inst"));
  Pictures("reloc");
  EXPECT_EQ(Chosen(), Path("reloc"));
  // A folder short of one picture does not count, and --data is told so.
  Pictures("opt");
  fs::remove(Path("opt") + "/" + layout::kBossPicture);
  const platform::GameFiles files =
      platform::DecideGameFiles(env_, Path("opt"), "");
  EXPECT_EQ(files.pictures, Path("reloc"));
  EXPECT_EQ(files.dataOptionLacks, layout::kBossPicture);
  // Nor does a folder standing where a picture should be.
  fs::create_directory(Path("opt") + "/" + layout::kBossPicture);
  EXPECT_EQ(Chosen(Path("opt")), Path("reloc"));
  fs::remove(Path("opt") + "/" + layout::kBossPicture);
  Write(Path("opt") + "/" + layout::kBossPicture, "x");
  EXPECT_EQ(Chosen(Path("opt")), Path("opt"));
}

TEST_F(GameFiles, ScoresGoToTheDataHomeUnlessToldOtherwise) {
  Pictures("inst");
  auto scores = [&] { return platform::DecideGameFiles(env_, "", "").scores; };
  ScorePlace place = scores();
  EXPECT_EQ(place.kind, ScorePlace::Kind::User);
  EXPECT_EQ(place.path, Path("home") + "/.local/share/tumblesquash/Score.dat");
  env_.xdgDataHome = Path("xdg");
  EXPECT_EQ(scores().path, Path("xdg") + "/tumblesquash/Score.dat");
  // A relative XDG_DATA_HOME is to be ignored.
  env_.xdgDataHome = "relative/share";
  EXPECT_EQ(scores().path,
            Path("home") + "/.local/share/tumblesquash/Score.dat");
  EXPECT_EQ(os::UserConfigFolder(env_), Path("home") + "/.config/tumblesquash");
  // No home at all: the working folder, as the game always did.
  env_.home.clear();
  EXPECT_EQ(scores().kind, ScorePlace::Kind::WorkingFolder);
  EXPECT_EQ(scores().path, "Score.dat");
  env_.home = Path("home");

  // A Score.dat beside the pictures keeps being used there...
  Write(Path("inst") + "/Score.dat", "old");
  place = scores();
  EXPECT_EQ(place.kind, ScorePlace::Kind::Portable);
  EXPECT_EQ(place.path, Path("inst") + "/Score.dat");
  // ...and --score-file beats everything.
  place = platform::DecideGameFiles(env_, "", Path("mine.dat")).scores;
  EXPECT_EQ(place.kind, ScorePlace::Kind::Option);
  EXPECT_EQ(place.path, Path("mine.dat"));
}

namespace {

// A score file as the game writes it, with this table.
std::string ScoreFileOf(std::vector<u32> table) {
  base::ResetScores();
  std::copy(table.begin(), table.end(), base::HighScores);
  const std::vector<u8> bytes = base::EncodeScoreFile();
  base::ResetScores();
  return {bytes.begin(), bytes.end()};
}

mode_t Mode(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

}  // namespace

TEST_F(GameFiles, AnOldScoreFileIsCopiedOnceAndLeftAlone) {
  Pictures("inst");
  const std::string old = Path("work") + "/Score.dat";
  // 10 is a line feed: stored as 0D 0A, as the game always wrote it.
  const std::string bytes = ScoreFileOf({5000, 10, 7});
  ASSERT_EQ(bytes.size(), 47u);
  Write(old, bytes);

  ScorePlace place = platform::DecideGameFiles(env_, "", "").scores;
  ASSERT_EQ(place.copyFrom, old);
  testing::internal::CaptureStderr();
  platform::PrepareScoreFile(place);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("are now kept in"),
            std::string::npos);
  EXPECT_EQ(Read(place.path), bytes);
  EXPECT_EQ(Read(old), bytes);
  EXPECT_EQ(Mode(fs::path(place.path).parent_path()), 0700u);

  // Once copied, the player's file is the one: later runs copy nothing,
  // even when the old one has changed since.
  Write(old, ScoreFileOf({6000}));
  EXPECT_EQ(platform::DecideGameFiles(env_, "", "").scores.copyFrom, "");
  place.copyFrom = old;  // as if two runs had decided at once
  platform::PrepareScoreFile(place);
  EXPECT_EQ(Read(place.path), bytes);
}

TEST_F(GameFiles, TheOneTimeCopyTakesOnlyAScoreFileAndKeepsItPrivate) {
  Pictures("inst");
  const std::string old = Path("work") + "/Score.dat";
  const std::string secret = Path("home") + "/secret";
  ScorePlace place;
  place.kind = ScorePlace::Kind::User;
  place.path = Path("home") + "/.local/share/tumblesquash/Score.dat";
  place.copyFrom = old;
  const std::string good = ScoreFileOf({900, 800});
  // Each is left where it is with one line, and nothing is copied: a link
  // (to a private file that happens to hold a score record), anything of
  // 4 KiB or less that is no score record as the game writes it.
  std::string unsorted = ScoreFileOf({800, 900});
  std::string cut = good.substr(0, 45);
  std::string longer = good + "x";
  std::string crlfAlone = good;
  crlfAlone[5] = '\x0d';  // a 0D the game would not have written alone
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"link", ""},        {"unsorted", unsorted},
      {"cut", cut},        {"longer", longer},
      {"text", "hello\n"}, {"big", std::string(4096, 'x')},
      {"empty", ""},
  };
  for (const auto& [what, content] : refused) {
    SCOPED_TRACE(what);
    fs::remove(old);
    if (what == "link") {
      Write(secret, good);
      fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
      fs::create_symlink(secret, old);
    } else {
      Write(old, content);
    }
    testing::internal::CaptureStderr();
    platform::PrepareScoreFile(place);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("left \"" + old + "\" alone"), std::string::npos)
        << said;
    EXPECT_FALSE(fs::exists(place.path));
  }

  // A file not everyone may read gives a copy only its owner may read.
  for (const mode_t mode : {0600u, 0640u, 0644u}) {
    fs::remove(old);
    fs::remove(place.path);
    Write(old, good);
    ::chmod(old.c_str(), mode);
    platform::PrepareScoreFile(place);
    EXPECT_EQ(Read(place.path), good);
    EXPECT_EQ(Mode(place.path), mode == 0644u ? 0644u : 0600u) << mode;
  }
}
