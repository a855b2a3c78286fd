#include "platform/sdl/splash_file.h"

#include <cstdlib>

#include "base/bytes.h"

namespace platform {

namespace {

// Headers, a full colour table, and 32-bit pixels of the largest picture
// taken; a longer file is read only that far.
constexpr std::size_t kSplashReadLimit =
    14 + 124 + 1024 + std::size_t{4} * kSplashMaxSide * kSplashMaxSide;

}  // namespace

bool BitmapSize(std::span<const std::uint8_t> bytes, std::int64_t& width,
                std::int64_t& height) {
  if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  const std::uint32_t infoSize = base::LoadLe32(bytes.data() + 14);
  if (infoSize == 12) {
    // The old OS/2 header: 16-bit sides.
    width = base::LoadLe16(bytes.data() + 18);
    height = base::LoadLe16(bytes.data() + 20);
    return true;
  }
  if (infoSize < 40) return false;
  width = static_cast<std::int32_t>(base::LoadLe32(bytes.data() + 18));
  height = static_cast<std::int32_t>(base::LoadLe32(bytes.data() + 22));
  return true;
}

bool ReadSplash(Platform& platform, const char* name,
                std::vector<std::uint8_t>& bytes, std::string& error) {
  error.clear();
  switch (platform.ReadFile(name, kSplashReadLimit, bytes)) {
    case ReadResult::Read:
      break;
    case ReadResult::Missing:
      return false;
    case ReadResult::Unreadable:
      error = "cannot be read";
      return false;
    case ReadResult::NotRegular:
      error = "not a regular file";
      return false;
  }
  std::int64_t width = 0, height = 0;
  if (!BitmapSize(bytes, width, height)) {
    error = "not a Windows bitmap";
    return false;
  }
  if (width < 1 || height == 0 || width > kSplashMaxSide ||
      std::llabs(height) > kSplashMaxSide) {
    error = std::to_string(width) + " x " + std::to_string(std::llabs(height)) +
            " is not a size from 1 x 1 to " + std::to_string(kSplashMaxSide) +
            " x " + std::to_string(kSplashMaxSide);
    return false;
  }
  return true;
}

}  // namespace platform
