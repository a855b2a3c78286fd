#include "platform/headless/audio_out.h"

#include <vector>

#include "base/bytes.h"
#include "sound/wave_header.h"

namespace headless {

namespace {

// 16-bit stereo at the device's rate.
std::vector<u8> Header(std::uint32_t rate, std::uint32_t dataBytes) {
  std::vector<u8> header;
  sound::AppendWaveHeader(header, 2, rate, 16, dataBytes);
  return header;
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
  // A pipe cannot go back to the header: its length is left unknown (the
  // largest a header can say), as streamed WAVE files have it.
  seekable_ = std::fseek(file_, 0, SEEK_CUR) == 0;
  const std::vector<u8> header =
      Header(rate_, seekable_ ? 0 : static_cast<std::uint32_t>(kMaxData));
  failed_ =
      std::fwrite(header.data(), 1, header.size(), file_) != header.size();
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
  const std::vector<u8> header =
      Header(rate_, static_cast<std::uint32_t>(dataBytes_));
  if (!failed_ && !seekable_) {
    failed_ = std::fflush(file_) != 0;
  } else if (!failed_) {
    failed_ =
        std::fseek(file_, 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, header.size(), file_) != header.size();
  }
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace headless
