#include "platform/null/null_platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "sound/device.h"

namespace platform {

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

std::uint32_t NullPlatform::CalendarSeconds() {
  return static_cast<std::uint32_t>(std::time(nullptr));
}

ReadResult NullPlatform::ReadFile(const char* name, std::size_t limit,
                                  std::vector<std::uint8_t>& out) {
  out.clear();
  const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
  }
  ReadResult result = ReadResult::Read;
  std::uint8_t chunk[1 << 16];
  while (out.size() < limit) {
    const std::size_t want = std::min(sizeof chunk, limit - out.size());
    const ssize_t n = ::read(fd, chunk, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result = ReadResult::Unreadable;
      break;
    }
    if (n == 0) break;
    out.insert(out.end(), chunk, chunk + n);
  }
  ::close(fd);
  if (result != ReadResult::Read) out.clear();
  return result;
}

bool NullPlatform::ReplaceFile(const char* name,
                               std::span<const std::uint8_t> bytes,
                               std::string& error) {
  const std::string temp = std::string(name) + ".tmp";
  auto fail = [&](const char* what) {
    error = std::string(what) + ": " + std::strerror(errno);
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return false;
  };
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    error = std::string("cannot create its temporary file: ") +
            std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      ::close(fd);
      return fail("cannot write");
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    ::close(fd);
    return fail("cannot write");
  }
  if (::close(fd) != 0) return fail("cannot write");
  if (std::rename(temp.c_str(), name) != 0) return fail("cannot replace");
  return true;
}

}  // namespace platform
