#include "platform/headless/quiet_platform.h"

#include <cstdio>
#include <ctime>

#include "sound/sound.h"

namespace platform {

void QuietPlatform::ShowFailure(const char* caption, const char* text) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
}

bool QuietPlatform::Present(const std::uint8_t*, int, const PaletteEntry*) {
  if (audioOpen_) sound::AdvanceSilentDevice(kSamplesPerFrame);
  return true;
}

bool QuietPlatform::OpenAudio() {
  sound::OpenSilentDevice(kSampleRate);
  audioOpen_ = true;
  return true;
}

void QuietPlatform::CloseAudio() {
  if (audioOpen_) sound::CloseSilentDevice();
  audioOpen_ = false;
}

std::uint32_t QuietPlatform::CalendarSeconds() {
  return static_cast<std::uint32_t>(std::time(nullptr));
}

}  // namespace platform
