// settings.conf kept as Score.dat is: never written over when it could not
// be taken, read whole, what the game does not know kept as it was, links
// and permissions respected, and two instances merging their own changes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../support/faulty_platform.h"
#include "../support/work_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/system/settings_file.h"

namespace fs = std::filesystem;
using platform::LockWait;
using platform::SettingsFile;

namespace {

class Settings : public ::testing::Test {
 protected:
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }
  static mode_t Mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
  // What the game does at start, then at Alt+Enter and as it ends with the
  // volume changed: every save it makes, with what it said.
  std::string PlayAndSave(platform::Platform& files, SettingsFile& s) {
    testing::internal::CaptureStderr();
    s.Load(files, path_);
    platform::DisplaySettings d = platform::ReadDisplaySettings(s);
    sound::Volumes v = platform::ReadVolumes(s);
    d.fullScreen = !d.fullScreen;
    platform::SaveSettings(files, s, d, v);
    v.master = 30;
    platform::SaveSettings(files, s, d, v, LockWait::AFewSeconds);
    return testing::internal::GetCapturedStderr();
  }
  // Everything in the folder but the file, its lock and the link to it.
  static std::vector<std::string> Leftovers() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(".")) {
      const std::string name = e.path().filename().string();
      if (name != "settings.conf" && name != "settings.conf.lock" &&
          name != "link.conf" && name != "real") {
        names.push_back(name);
      }
    }
    return names;
  }

  testsupport::WorkFolder folder_{"ts_settings_file", true};
  std::string path_ = "settings.conf";
};

}  // namespace

TEST_F(Settings, AFileThatCannotBeTakenIsNeverWrittenOver) {
  // Unreadable (no permission, an I/O error), larger than the limit, binary,
  // a folder: one line each, and the file stays as it was through every
  // save the game makes.
  const std::string big =
      "mode = window\n" + std::string(platform::kMaxSettingsBytes, '#') + "\n";
  const std::string binary = std::string("mode = window\n\0\x01\x02\n", 18);
  for (const char* what : {"unreadable", "big", "binary", "folder"}) {
    SCOPED_TRACE(what);
    fs::remove_all(path_);
    testsupport::FaultyPlatform files;
    const std::string w = what;
    if (w == "folder") {
      fs::create_directories(path_ + "/keep");
    } else {
      Write(path_, w == "big"      ? big
                   : w == "binary" ? binary
                                   : "mode = window\n");
    }
    if (w == "unreadable") files.unreadable = path_;
    const std::string before = w == "folder" ? "" : Read(path_);
    SettingsFile s;
    const std::string said = PlayAndSave(files, s);
    EXPECT_EQ(Lines(said), 1u) << said;
    EXPECT_NE(said.find("\"settings.conf\""), std::string::npos) << said;
    EXPECT_NE(said.find("left as it is"), std::string::npos) << said;
    EXPECT_EQ(files.replaces, 0);
    EXPECT_EQ(s.Get("mode", "fullscreen"), "window") << "what was set stays";
    if (w == "folder") {
      EXPECT_TRUE(fs::exists(path_ + "/keep"));
    } else {
      EXPECT_EQ(Read(path_), before);
    }
  }
}

TEST_F(Settings, TheWholeFileIsReadAndWhatTheGameDoesNotKnowStays) {
  // A key well past the 64 KiB once read; another instance's key, comments
  // with their spacing, a value in UTF-8, CRLF line ends and a last line
  // without its end; and garbage of several kinds, said once and dropped.
  const std::string padding = "# " + std::string(100000, '-') + "\n";
  const std::string text =
      "# mine, spaced as I like it\n"
      "  language   =   fr  # a later version's\r\n"
      "\n" +
      padding +
      "mode = window\n"
      "player.name = Zoë\n"
      "this line is nonsense\n"
      "bad key = 3\n"
      "ctl = a\x01z\n"
      "utf = \xC3\x28\n"
      "= nothing\n"
      "scale = 2";
  Write(path_, text);
  platform::NullPlatform files;
  SettingsFile s;
  testing::internal::CaptureStderr();
  ASSERT_TRUE(s.Load(files, path_));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Lines(said), 1u) << said;
  EXPECT_NE(said.find("5 lines are not \"key = value\" (the first is line 7)"),
            std::string::npos)
      << said;
  platform::DisplaySettings d = platform::ReadDisplaySettings(s);
  const sound::Volumes v = platform::ReadVolumes(s);
  EXPECT_FALSE(d.fullScreen);
  EXPECT_EQ(d.scale, 2);
  EXPECT_EQ(s.Get("player.name", ""), "Zoë");

  // Nothing changed: nothing written.
  platform::SaveSettings(files, s, d, v);
  EXPECT_EQ(Read(path_), text);

  d.fullScreen = true;
  testing::internal::CaptureStderr();
  platform::SaveSettings(files, s, d, v);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Read(path_),
            "# mine, spaced as I like it\n"
            "  language   =   fr  # a later version's\r\n"
            "\n" +
                padding +
                "mode = fullscreen\n"
                "player.name = Zoë\n"
                "scale = 2\n");
}

TEST_F(Settings, ALinkIsFollowedAndPermissionsAreKept) {
  fs::create_directory("real");
  Write("real/settings.conf", "mute = yes\n");
  ::chmod("real/settings.conf", 0600);
  fs::create_symlink("real/settings.conf", path_);
  platform::NullPlatform files;
  SettingsFile s;
  const std::string said = PlayAndSave(files, s);
  EXPECT_EQ(said, "");
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(Read("real/settings.conf"),
            "mute = yes\nmode = window\nmaster_volume = 30\n");
  EXPECT_EQ(Mode("real/settings.conf"), 0600u);
  EXPECT_TRUE(Leftovers().empty());
  for (const auto& e : fs::directory_iterator("real")) {
    EXPECT_EQ(e.path().filename(), "settings.conf");
  }

  // A file the player made read-only is left alone, in one line.
  fs::remove(path_);
  Write(path_, "mode = window\n");
  ::chmod(path_.c_str(), 0444);
  SettingsFile again;
  const std::string refused = PlayAndSave(files, again);
  EXPECT_EQ(Lines(refused), 1u) << refused;
  EXPECT_NE(refused.find("read-only"), std::string::npos) << refused;
  EXPECT_EQ(Read(path_), "mode = window\n");
  EXPECT_EQ(Mode(path_), 0444u);
}

TEST_F(Settings, TwoInstancesEachChangeOnlyTheirOwnKeys) {
  Write(path_, "master_volume = 80\nmode = window\n");
  platform::NullPlatform files;
  SettingsFile a, b;
  ASSERT_TRUE(a.Load(files, path_));
  ASSERT_TRUE(b.Load(files, path_));
  platform::DisplaySettings da = platform::ReadDisplaySettings(a);
  sound::Volumes va = platform::ReadVolumes(a);
  const platform::DisplaySettings db = platform::ReadDisplaySettings(b);
  sound::Volumes vb = platform::ReadVolumes(b);
  // One turns the volume down; the other mutes, then switches the mode.
  va.master = 60;
  platform::SaveSettings(files, a, da, va);
  vb.mute = true;
  platform::SaveSettings(files, b, db, vb);
  da.fullScreen = true;
  platform::SaveSettings(files, a, da, va);
  EXPECT_EQ(Read(path_), "master_volume = 60\nmode = fullscreen\nmute = yes\n");
  // Setting a key back to what it was is no change at all.
  vb.mute = false;
  vb.mute = true;
  platform::SaveSettings(files, b, db, vb);
  EXPECT_EQ(Read(path_), "master_volume = 60\nmode = fullscreen\nmute = yes\n");
}

TEST_F(Settings, ASaveThatFindsTheLockHeldIsPutOffNotWaitedFor) {
  platform::NullPlatform files;
  SettingsFile s;
  ASSERT_TRUE(s.Load(files, path_));
  platform::DisplaySettings d = platform::ReadDisplaySettings(s);
  const sound::Volumes v = platform::ReadVolumes(s);
  // Another instance in the middle of its save (it never lets go here).
  const int held = ::open("settings.conf.lock", O_RDONLY | O_CREAT, 0644);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  d.fullScreen = false;
  testing::internal::CaptureStderr();
  platform::SaveSettings(files, s, d, v);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Lines(said), 1u) << said;
  EXPECT_NE(said.find("trying again at the next save"), std::string::npos);
  EXPECT_TRUE(s.putOff());
  EXPECT_FALSE(fs::exists(path_));
  ::close(held);
  // The next save carries the change.
  platform::SaveSettings(files, s, d, v);
  EXPECT_FALSE(s.putOff());
  EXPECT_NE(Read(path_).find("mode = window\n"), std::string::npos);
}
