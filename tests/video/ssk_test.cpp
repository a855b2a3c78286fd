#include <gtest/gtest.h>

#include "../support/null_platform_in_use.h"
#include "../support/stuck_pipe.h"
#include "../support/work_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "video/ssk_codec.h"
#include "video/video.h"

using namespace video;
namespace fs = std::filesystem;

namespace {

std::vector<u8> Decode(std::vector<u8> coded, std::size_t pixels, bool* ok) {
  std::vector<u8> out(pixels, 0xEE);
  *ok = DecodeSskPixels(coded, out);
  return out;
}

std::vector<u8> File(int w, int h, const std::vector<u8>& coded) {
  Rgb colours[256] = {};
  std::vector<u8> f = BuildSsk(1, 1, colours, std::vector<u8>{0});
  f.resize(kSskCodeOffset);
  for (int i = 0; i < 4; ++i) {
    f[18 + i] = static_cast<u8>(u32(w) >> (8 * i));
    f[22 + i] = static_cast<u8>(u32(h) >> (8 * i));
    f[1078 + i] = static_cast<u8>(coded.size() >> (8 * i));
  }
  f.insert(f.end(), coded.begin(), coded.end());
  return f;
}

class Loaders : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetVideo();
    CreateSurfaces();
    for (int y = 0; y < kSheetHeight; ++y) {
      for (int x = 0; x < kSheetWidth; ++x) SheetSurface->Row(y)[x] = 77;
    }
  }
  static void Save(const char* name, const std::vector<u8>& bytes) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  static int SheetNot77() {
    int n = 0;
    for (int y = 0; y < kSheetHeight; ++y) {
      for (int x = 0; x < kSheetWidth; ++x) n += SheetSurface->Row(y)[x] != 77;
    }
    return n;
  }
  testsupport::WorkFolder folder_{"ts_ssk", true};
  testsupport::NullPlatformInUse platform_;
};

}  // namespace

TEST(SskCode, DecodesTheTokenFormsAndRefusesStreamsOfTheWrongLength) {
  const struct {
    std::vector<u8> coded;
    std::size_t pixels;
    std::vector<u8> out;  // empty: refused
  } cases[] = {
      {{5, 5, 0}, 1, {5}},
      {{5, 5, 255}, 256, std::vector<u8>(256, 5)},
      {{5, 7}, 2, {5, 7}},
      {{9, 9, 3, 4}, 5, {9, 9, 9, 9, 4}},  // a last byte alone is one pixel
      {{5, 5, 3}, 3, {}},                  // four pixels for three
      {{5, 5, 1}, 3, {}},                  // two pixels for three
      {{1, 2, 3, 3}, 4, {}},               // a pair without its count byte
      {{}, 1, {}},
  };
  for (const auto& c : cases) {
    bool ok = false;
    const std::vector<u8> out = Decode(c.coded, c.pixels, &ok);
    EXPECT_EQ(ok, !c.out.empty()) << c.coded.size() << " for " << c.pixels;
    // Checked without decoding (the colours-only load), the same answer.
    EXPECT_EQ(CheckSskPixels(c.coded, c.pixels), ok) << c.coded.size();
    if (ok) {
      EXPECT_EQ(out, c.out);
    }
  }
}

TEST(SskCode, EncoderIsShortestAndRoundTrips) {
  EXPECT_EQ(EncodeSskPixels(std::vector<u8>{5}), (std::vector<u8>{5}));
  EXPECT_EQ(EncodeSskPixels(std::vector<u8>{5, 5}), (std::vector<u8>{5, 5, 1}));
  EXPECT_EQ(EncodeSskPixels(std::vector<u8>(257, 3)),
            (std::vector<u8>{3, 3, 255, 3}));
  EXPECT_EQ(EncodeSskPixels(std::vector<u8>(258, 3)),
            (std::vector<u8>{3, 3, 255, 3, 3, 1}));
  std::mt19937 gen(4);
  for (int round = 0; round < 50; ++round) {
    std::vector<u8> pixels(1 + gen() % 3000);
    u8 v = 0;
    for (u8& p : pixels) {
      if (gen() % 4 == 0) v = static_cast<u8>(gen() % 3);
      p = v;
    }
    const std::vector<u8> code = EncodeSskPixels(pixels);
    std::vector<u8> back(pixels.size());
    ASSERT_TRUE(DecodeSskPixels(code, back));
    ASSERT_EQ(back, pixels);
  }
}

TEST_F(Loaders, ImageRowsGoTopRowFirstAndRunsCrossRows) {
  Save("a.ssk", File(2, 2, {1, 1, 2, 2}));
  EXPECT_EQ(LoadSskImage("a.ssk", 0, 0), 1);
  // Stored bottom row 1,1; top row 1,2; nothing beyond the picture.
  auto at = [](int x, int y) { return int(SheetSurface->Row(y)[x]); };
  EXPECT_EQ(std::vector<int>({at(0, 0), at(1, 0), at(0, 1), at(1, 1)}),
            std::vector<int>({1, 2, 1, 1}));
  EXPECT_EQ(SheetNot77(), 4);
}

TEST_F(Loaders, TallPicturesLoseTheirBottomRows) {
  std::vector<u8> top(640 * 2100);
  for (int y = 0; y < 2100; ++y) {
    std::fill_n(top.begin() + y * 640, 640, static_cast<u8>(y % 251));
  }
  Rgb colours[256] = {};
  Save("tall.ssk", BuildSsk(640, 2100, colours, top));
  EXPECT_EQ(LoadSskImage("tall.ssk", 0, 0), 1);
  EXPECT_EQ(SheetSurface->Row(0)[0], 0);
  EXPECT_EQ(SheetSurface->Row(2047)[639], 2047 % 251);
}

TEST_F(Loaders, PaletteLoaderTakesColoursAndReturnsTheFirstByte) {
  std::vector<u8> f = File(3, 1, {9, 9, 2});
  f[54] = 10;
  f[55] = 20;
  f[56] = 30;
  f[57] = 99;
  Save("p.ssk", f);
  EXPECT_FALSE(DisplayPalette.exists);
  EXPECT_EQ(LoadSskPalette("p.ssk"), 9);
  EXPECT_TRUE(DisplayPalette.exists);
  const PaletteEntry& e = ImagePalette[0];
  EXPECT_EQ(std::vector<int>({e.red, e.green, e.blue, e.flags}),
            std::vector<int>({30, 20, 10, 0}));
  EXPECT_EQ(ScreenPalette[0].red, 30);
  EXPECT_EQ(DisplayPalette.entries[0].red, 30);
  // A missing file: 0, nothing changes.
  EXPECT_EQ(LoadSskPalette("none.ssk"), 0);
  EXPECT_EQ(ImagePalette[0].red, 30);
  EXPECT_EQ(LoadSskImage("none.ssk", 0, 0), 0);
  EXPECT_EQ(SheetNot77(), 0);
}

TEST_F(Loaders, MalformedFilesAreRefusedAndChangeNothing) {
  ImagePalette[3].red = 55;
  const std::vector<std::vector<u8>> bad = {
      File(2, 2, {1, 1, 1}),      // decodes to 2 pixels, not 4
      File(2, 2, {1, 1, 9}),      // 10 pixels
      File(2, 1, {1, 2, 2}),      // a pair without its count
      File(0, 5, {1}),            // no width
      File(3, -2, {1, 1, 5}),     // negative height
      File(100000, 100000, {1}),  // absurd size
  };
  int k = 0;
  for (std::vector<u8> f : bad) {
    f[54 + 12] = 200;  // a colour the loader must not take
    Save("bad.ssk", f);
    EXPECT_EQ(LoadSskImage("bad.ssk", 0, 0), 0) << k;
    EXPECT_EQ(LoadSskPalette("bad.ssk"), 0) << k;
    ++k;
  }
  // Cut short: inside the headers, and inside the coded data.
  std::vector<u8> f = File(4, 1, {1, 2, 3, 4});
  f.resize(600);
  Save("bad.ssk", f);
  EXPECT_EQ(LoadSskImage("bad.ssk", 0, 0), 0);
  f = File(4, 1, {1, 2, 3, 4});
  f.pop_back();
  Save("bad.ssk", f);
  EXPECT_EQ(LoadSskImage("bad.ssk", 0, 0), 0);
  // A coded length far beyond what the picture could need.
  f = File(4, 1, {1, 2, 3, 4});
  f[1081] = 0x70;
  Save("bad.ssk", f);
  EXPECT_EQ(LoadSskPalette("bad.ssk"), 0);

  EXPECT_EQ(SheetNot77(), 0);
  EXPECT_EQ(ImagePalette[3].red, 55);
  EXPECT_FALSE(DisplayPalette.exists);
}

TEST_F(Loaders, WhatIsNotAFileIsRefusedWithoutWaiting) {
  testsupport::StuckPipe pipe("pipe.ssk");
  fs::create_directory("folder.ssk");
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadSskImage("pipe.ssk", 0, 0), 0);
  EXPECT_EQ(LoadSskPalette("pipe.ssk"), 0);
  EXPECT_EQ(LoadSskImage("folder.ssk", 0, 0), 0);
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(pipe.Finish()) << "the loader waited on the pipe";
  // One line for each refusal, naming the file.
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 3) << errors;
  EXPECT_NE(errors.find("\"pipe.ssk\" refused: not a regular file"),
            std::string::npos);
  EXPECT_EQ(SheetNot77(), 0);
  EXPECT_FALSE(DisplayPalette.exists);
}

TEST_F(Loaders, ParseReportsWhy) {
  SskFile out;
  std::string error;
  EXPECT_FALSE(ParseSsk(File(2, 2, {1, 1, 1}), out, error));
  EXPECT_NE(error.find("decode"), std::string::npos);
  EXPECT_TRUE(ParseSsk(File(2, 2, {1, 1, 3}), out, error));
  EXPECT_EQ(out.width, 2);
}
