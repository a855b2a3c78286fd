// Where an installed game looks for its pictures and keeps the scores.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "../support/work_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>

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

TEST_F(GameFiles, AnOldScoreFileIsCopiedOnceAndLeftAlone) {
  Pictures("inst");
  const std::string old = Path("work") + "/Score.dat";
  const std::string bytes("\x0d\x0a\x00\x01\x1a", 5);
  Write(old, bytes);
  platform::NullPlatform files;

  ScorePlace place = platform::DecideGameFiles(env_, "", "").scores;
  ASSERT_EQ(place.copyFrom, old);
  platform::PrepareScoreFile(files, place);
  EXPECT_EQ(Read(place.path), bytes);
  EXPECT_EQ(Read(old), bytes);
  struct stat st {};
  ASSERT_EQ(::stat(fs::path(place.path).parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // Once copied, the player's file is the one: later runs copy nothing,
  // even when the old one has changed since.
  Write(old, "changed");
  EXPECT_EQ(platform::DecideGameFiles(env_, "", "").scores.copyFrom, "");
  place.copyFrom = old;  // as if two runs had decided at once
  platform::PrepareScoreFile(files, place);
  EXPECT_EQ(Read(place.path), bytes);

  // Something that cannot be a score file is not copied.
  fs::remove(place.path);
  Write(old, std::string(10000, 'x'));
  platform::PrepareScoreFile(files, place);
  EXPECT_FALSE(fs::exists(place.path));
  EXPECT_EQ(Read(old).size(), 10000u);
}
