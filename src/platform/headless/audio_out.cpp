#include "platform/headless/audio_out.h"

#include <cstring>

#include "base/bytes.h"

namespace headless {

namespace {

// The canonical 44-byte header the game's own recordings use.
void PutHeader(unsigned char* h, std::uint32_t rate, std::uint32_t dataBytes) {
  auto u32 = [&](int at, std::uint32_t v) { base::StoreLe32(h + at, v); };
  auto u16 = [&](int at, std::uint16_t v) { base::StoreLe16(h + at, v); };
  std::memcpy(h, "RIFF", 4);
  u32(4, 36 + dataBytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  u32(16, 16);
  u16(20, 1);  // PCM
  u16(22, 2);  // stereo
  u32(24, rate);
  u32(28, rate * 4);
  u16(32, 4);
  u16(34, 16);
  std::memcpy(h + 36, "data", 4);
  u32(40, dataBytes);
}

// A WAVE file cannot say more than 4 GB; longer renders stop growing there.
constexpr std::uint64_t kMaxData = 0xFFFFFFFFull - 36 - 3;

}  // namespace

AudioRecorder::~AudioRecorder() {
  if (file_) Close();
}

bool AudioRecorder::Open(const std::string& path, int rate) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return false;
  rate_ = static_cast<std::uint32_t>(rate);
  dataBytes_ = 0;
  failed_ = false;
  unsigned char header[44];
  PutHeader(header, rate_, 0);
  failed_ = std::fwrite(header, 1, sizeof header, file_) != sizeof header;
  return !failed_;
}

bool AudioRecorder::Write(const std::int16_t* samples, int frames) {
  if (!file_ || failed_) return false;
  unsigned char bytes[4 * 1024];
  while (frames > 0) {
    const int n = frames < 1024 ? frames : 1024;
    if (dataBytes_ + 4u * n > kMaxData) return true;
    for (int i = 0; i < 2 * n; ++i) {
      base::StoreLe16(bytes + 2 * i, static_cast<std::uint16_t>(samples[i]));
    }
    if (std::fwrite(bytes, 4, n, file_) != static_cast<std::size_t>(n)) {
      failed_ = true;
      return false;
    }
    dataBytes_ += 4u * n;
    samples += 2 * n;
    frames -= n;
  }
  return true;
}

bool AudioRecorder::Close() {
  if (!file_) return !failed_;
  unsigned char header[44];
  PutHeader(header, rate_, static_cast<std::uint32_t>(dataBytes_));
  if (!failed_) {
    failed_ = std::fseek(file_, 0, SEEK_SET) != 0 ||
              std::fwrite(header, 1, sizeof header, file_) != sizeof header;
  }
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace headless
