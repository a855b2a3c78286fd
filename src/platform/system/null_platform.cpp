#include "platform/system/null_platform.h"

#include <cstdio>

#include "platform/os/clock.h"
#include "platform/os/files.h"
#include "sound/device.h"

namespace platform {

NullPlatform::NullPlatform() { os::PrepareProcess(); }

void NullPlatform::ShowFailure(const char* caption, const char* text) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
}

bool NullPlatform::Present(const std::uint8_t*, int, const PaletteEntry*) {
  sound::AdvanceChannels(kSamplesPerFrame);
  return true;
}

bool NullPlatform::OpenAudio() {
  sound::SetOutputFormat(kSampleRate, 2);
  return true;
}

std::uint32_t NullPlatform::CalendarSeconds() { return os::CalendarSeconds(); }

ReadResult NullPlatform::ReadFile(const char* name, std::size_t limit,
                                  std::vector<std::uint8_t>& out) {
  return os::ReadFile(name, limit, out);
}

bool NullPlatform::ReplaceFile(const char* name,
                               std::span<const std::uint8_t> bytes,
                               std::string& error) {
  return os::ReplaceFile(name, bytes, error);
}

std::unique_ptr<FileLock> NullPlatform::LockFile(const char* name,
                                                 LockWait wait, bool& busy,
                                                 std::string& error) {
  return os::LockFile(name, wait, busy, error);
}

}  // namespace platform
