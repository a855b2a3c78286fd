// F12's pictures: a name of their own every time, never written through a
// link or over an older shot, and nothing left behind when the disk fails.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "../support/work_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/os/files.h"
#include "platform/sdl/screenshots.h"

namespace fs = std::filesystem;

namespace {

// Every shot of these tests is taken in the same millisecond.
constexpr std::int64_t kWhen = 1'800'000'000'123;
std::int64_t Now() { return kWhen; }

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class Screenshots : public ::testing::Test {
 protected:
  Screenshots() {
    os::PrepareProcess();  // a write past the size limit fails, as in the game
    std::mt19937 noise(7);
    for (auto& p : pixels_) p = static_cast<std::uint8_t>(noise());
    for (int i = 0; i < 256; ++i) {
      palette_[i] = {std::uint8_t(i), std::uint8_t(255 - i),
                     std::uint8_t(i / 2), 0};
    }
    fs::create_directories(shots_);
  }
  // Takes `count` shots; what the writer said on stdout and stderr.
  std::string Take(int count) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    {
      platform::ScreenshotWriter writer(shots_.string(), Now);
      for (int i = 0; i < count; ++i) {
        writer.Save(pixels_.data(), platform::kScreenWidth, palette_);
      }
    }  // written and finished
    return testing::internal::GetCapturedStdout() +
           testing::internal::GetCapturedStderr();
  }
  fs::path Shot(int attempt) const {
    return shots_ / platform::ScreenshotWriter::FileName(kWhen, attempt);
  }
  static bool WholePng(const std::string& bytes) {
    static const std::string kEnd("IEND\xAE\x42\x60\x82", 8);
    return bytes.size() > 8 && bytes.compare(1, 3, "PNG") == 0 &&
           bytes.compare(bytes.size() - 8, 8, kEnd) == 0;
  }

  testsupport::WorkFolder folder_{"ts_screenshots", true};
  fs::path shots_ = fs::absolute("shots");
  std::vector<std::uint8_t> pixels_ = std::vector<std::uint8_t>(
      platform::kScreenWidth * platform::kScreenHeight);
  platform::PaletteEntry palette_[256];
};

}  // namespace

TEST_F(Screenshots, EachShotGetsANameNothingHeld) {
  // An older shot at the first name, links someone planted at the next
  // ones (one to a file of the player's, one to nowhere).
  std::ofstream("precious") << "keep";
  std::ofstream(Shot(0)) << "older shot";
  fs::create_symlink(fs::absolute("precious"), Shot(1));
  fs::create_symlink(fs::absolute("nowhere"), Shot(2));
  const std::string said = Take(3);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said;
  EXPECT_EQ(Read("precious"), "keep");
  EXPECT_FALSE(fs::exists("nowhere"));
  EXPECT_EQ(Read(Shot(0)), "older shot");
  EXPECT_TRUE(fs::is_symlink(Shot(1)));
  EXPECT_TRUE(fs::is_symlink(Shot(2)));
  for (int attempt : {3, 4, 5}) {
    EXPECT_TRUE(WholePng(Read(Shot(attempt)))) << attempt;
    EXPECT_NE(said.find("screenshot " + Shot(attempt).string()),
              std::string::npos)
        << said;
  }
  EXPECT_EQ(Names(shots_).size(), 6u);  // nothing else beside them
}

TEST_F(Screenshots, NoNameLeftMeansNoShotAndOneLine) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::ofstream(Shot(attempt)) << attempt;
  }
  const std::string said = Take(1);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("are all taken"), std::string::npos) << said;
  EXPECT_EQ(Read(Shot(999)), "999");
  EXPECT_EQ(Names(shots_).size(), 1000u);
}

TEST_F(Screenshots, AShotTheDiskCannotHoldLeavesNothingBehind) {
  // A full disk, as a file-size limit makes it: the PNG of noise is far
  // larger than the limit.
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const rlimit tight{64 * 1024, old.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
  const std::string said = Take(2);
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
  EXPECT_NE(said.find("cannot write the screenshot"), std::string::npos)
      << said;
  EXPECT_TRUE(Names(shots_).empty());
  // With room again, the next shot is whole.
  Take(1);
  EXPECT_TRUE(WholePng(Read(Shot(0))));
  EXPECT_EQ(Names(shots_).size(), 1u);
}
