// The start-up picture: whatever stands at its name, the start-up window
// comes up at once, and SDL never allocates what a header merely claims.
#include <gtest/gtest.h>

#include "../support/stuck_pipe.h"
#include "../support/work_folder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "base/bytes.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/splash_file.h"

namespace {

// A bitmap of `w` x `h` 24-bit pixels, each red, green, blue as given; the
// pixel data holds `rows` rows (fewer than the header claims, to keep a
// claimed giant small on disk).
std::vector<std::uint8_t> Bitmap(std::int32_t w, std::int32_t h, int rows,
                                 std::uint8_t r, std::uint8_t g,
                                 std::uint8_t b) {
  const std::size_t stride = (std::size_t(w) * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> f(54);
  f[0] = 'B';
  f[1] = 'M';
  base::StoreLe32(&f[10], 54);
  base::StoreLe32(&f[14], 40);
  base::StoreLe32(&f[18], static_cast<std::uint32_t>(w));
  base::StoreLe32(&f[22], static_cast<std::uint32_t>(h));
  base::StoreLe16(&f[26], 1);
  base::StoreLe16(&f[28], 24);
  for (int y = 0; y < rows; ++y) {
    std::vector<std::uint8_t> row(stride, 0);
    for (std::int32_t x = 0; x < w && rows > 0; ++x) {
      row[3 * x] = b;
      row[3 * x + 1] = g;
      row[3 * x + 2] = r;
    }
    f.insert(f.end(), row.begin(), row.end());
  }
  base::StoreLe32(&f[2], static_cast<std::uint32_t>(f.size()));
  return f;
}

void Save(const std::vector<std::uint8_t>& bytes) {
  std::ofstream("minititle.bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

class Splash : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    platform_ = std::make_unique<platform::SdlPlatform>(platform::SdlOptions{});
    ASSERT_TRUE(platform_->CreateStartWindow()) << SDL_GetError();
  }
  // The start-up window's pixel at (x, y) as red, green, blue.
  std::uint32_t Pixel(int x, int y) {
    SDL_Surface* s = SDL_GetWindowSurface(platform_->window());
    std::uint32_t raw = 0;
    std::memcpy(&raw,
                static_cast<std::uint8_t*>(s->pixels) + y * s->pitch +
                    x * s->format->BytesPerPixel,
                s->format->BytesPerPixel);
    std::uint8_t r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
  }
  testsupport::WorkFolder folder_{"ts_splash", true};
  std::unique_ptr<platform::SdlPlatform> platform_;
};

}  // namespace

TEST_F(Splash, ASmallBitmapIsDrawnFromTheTopLeft) {
  Save(Bitmap(3, 2, 2, 200, 100, 50));
  testing::internal::CaptureStderr();
  platform_->ShowSplash();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Pixel(0, 0), 0xC86432u);
  EXPECT_EQ(Pixel(2, 1), 0xC86432u);
  EXPECT_EQ(Pixel(3, 0), 0u);  // the rest of the window stays black
  // No file at all: a black window and not a word.
  std::remove("minititle.bmp");
  testing::internal::CaptureStderr();
  platform_->ShowSplash();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Pixel(0, 0), 0u);
}

TEST_F(Splash, GiantsAndPipesAreRefusedInOneLine) {
  // Sides that would have SDL allocate gigabytes, and sides it cannot take.
  const std::int32_t sides[][2] = {{32768, 32768}, {65536, 65536}, {4097, 1},
                                   {1, -4097},     {0, 5},         {5, 0}};
  for (const auto& side : sides) {
    SCOPED_TRACE(std::to_string(side[0]) + " x " + std::to_string(side[1]));
    Save(Bitmap(side[0], side[1], 0, 255, 255, 255));
    testing::internal::CaptureStderr();
    platform_->ShowSplash();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_NE(errors.find("\"minititle.bmp\" refused"), std::string::npos);
    EXPECT_EQ(Pixel(0, 0), 0u);
  }
  // The largest taken, drawn as far as the window goes.
  Save(Bitmap(4096, 1, 1, 1, 2, 3));
  testing::internal::CaptureStderr();
  platform_->ShowSplash();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Pixel(479, 0), 0x010203u);

  std::remove("minititle.bmp");
  testsupport::StuckPipe pipe("minititle.bmp");
  testing::internal::CaptureStderr();
  platform_->ShowSplash();
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(pipe.Finish()) << "the start-up waited on the pipe";
  EXPECT_NE(errors.find("not a regular file"), std::string::npos);
}

TEST_F(Splash, ABitmapSdlRefusesIsSaidInOneLine) {
  // A size the check takes, in forms SDL cannot read: three bits a pixel,
  // run-length coding its pixels do not follow.
  std::vector<std::vector<std::uint8_t>> refused(2, Bitmap(3, 2, 2, 9, 9, 9));
  base::StoreLe16(&refused[0][28], 3);
  base::StoreLe32(&refused[1][30], 1);
  for (std::size_t i = 0; i < refused.size(); ++i) {
    SCOPED_TRACE(i);
    Save(refused[i]);
    testing::internal::CaptureStderr();
    platform_->ShowSplash();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_NE(errors.find("\"minititle.bmp\" refused"), std::string::npos)
        << errors;
    EXPECT_EQ(Pixel(0, 0), 0u);
  }
}

TEST(SplashHeader, SidesAreReadAsSdlReadsThem) {
  std::int64_t w = 0, h = 0;
  std::vector<std::uint8_t> f = Bitmap(7, -9, 0, 0, 0, 0);
  ASSERT_TRUE(platform::BitmapSize(f, w, h));
  EXPECT_EQ(std::make_pair(w, h),
            std::make_pair(std::int64_t{7}, std::int64_t{-9}));
  // The old 12-byte header has 16-bit sides.
  base::StoreLe32(&f[14], 12);
  base::StoreLe16(&f[18], 40000);
  base::StoreLe16(&f[20], 3);
  ASSERT_TRUE(platform::BitmapSize(f, w, h));
  EXPECT_EQ(std::make_pair(w, h),
            std::make_pair(std::int64_t{40000}, std::int64_t{3}));
  base::StoreLe32(&f[14], 20);  // no header SDL knows
  EXPECT_FALSE(platform::BitmapSize(f, w, h));
  f[0] = 'X';
  EXPECT_FALSE(platform::BitmapSize(f, w, h));
  f.resize(20);
  EXPECT_FALSE(platform::BitmapSize(f, w, h));
}
