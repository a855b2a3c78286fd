#include "sound/recording.h"

#include <cmath>
#include <cstring>

#include "base/bytes.h"
#include "sound/loudness.h"
#include "sound/resample.h"

namespace sound {

namespace {

// The longest a recording may play at the device's rate: about six minutes
// at 44.1 kHz (128 MB as played). A header that asks for more is refused
// before anything is made for it.
constexpr uint64_t kMaxPlayedFrames = uint64_t(1) << 24;

bool Playable(u32 frames, u32 rate, int outRate) {
  return uint64_t(frames) * uint64_t(outRate) / rate < kMaxPlayedFrames;
}

// Reads the canonical 44-byte header at its fixed offsets. Anything we
// could not play, or whose samples would run past the resource, is refused.
std::shared_ptr<Recording> ParseWave(const WaveResource& resource) {
  const unsigned char* bytes = resource.data;
  if (!bytes || resource.size < 44) return nullptr;
  if (std::memcmp(bytes, "RIFF", 4) != 0 ||
      std::memcmp(bytes + 8, "WAVE", 4) != 0 ||
      std::memcmp(bytes + 12, "fmt ", 4) != 0 ||
      std::memcmp(bytes + 36, "data", 4) != 0) {
    return nullptr;
  }
  u16 formatTag = base::LoadLe16(bytes + 20);
  u16 channels = base::LoadLe16(bytes + 22);
  u32 rate = base::LoadLe32(bytes + 24);
  u16 blockAlign = base::LoadLe16(bytes + 32);
  u16 bits = base::LoadLe16(bytes + 34);
  u32 dataLength = base::LoadLe32(bytes + 40);
  if (formatTag != 1 || (channels != 1 && channels != 2) ||
      (bits != 8 && bits != 16) || blockAlign != channels * bits / 8 ||
      rate < kMinRate || rate > kMaxRate) {
    return nullptr;
  }
  if (dataLength > resource.size - 44) return nullptr;
  u32 frames = dataLength / blockAlign;
  if (frames == 0) return nullptr;

  auto recording = std::make_shared<Recording>();
  recording->channels = channels;
  recording->rate = rate;
  recording->frames = frames;
  size_t count = size_t(frames) * channels;
  recording->samples.resize(count);
  const unsigned char* data = bytes + 44;
  for (size_t i = 0; i < count; ++i) {
    recording->samples[i] = bits == 8 ? int16_t((int(data[i]) - 128) * 256)
                                      : int16_t(base::LoadLe16(data + 2 * i));
  }
  return recording;
}

std::vector<float> AsStereo(const Recording& r) {
  std::vector<float> stereo(2 * size_t(r.frames));
  for (size_t i = 0; i < r.frames; ++i) {
    for (int k = 0; k < 2; ++k) {
      int ch = r.channels == 1 ? 0 : k;
      stereo[2 * i + k] = r.samples[i * r.channels + ch] / 32768.0f;
    }
  }
  return stereo;
}

// Makes the played form from `stereo`, the recording as AsStereo gives it.
void Prepare(Recording& r, const std::vector<float>& stereo, int rate) {
  r.played = ResampleLoop(stereo.data(), r.frames, int(r.rate), rate,
                          Recording::kGuard);
  r.playedRate = u32(rate);
  r.playedFrames = int64_t(r.played.size() / 2) - 2 * Recording::kGuard;
  unsigned __int128 length = r.frames;
  r.playedLength = uint64_t((length * unsigned(rate) << 32) / r.rate);
}

struct Cached {
  const unsigned char* data = nullptr;
  unsigned size = 0;
  int rate = 0;
  double target = 0;
  std::shared_ptr<const Recording> recording;
};
// The game's five and room to spare; the oldest goes first.
Cached cache[8];
unsigned cacheNext = 0;

bool SameTarget(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || a == b;
}

}  // namespace

std::shared_ptr<const Recording> LoadRecording(const WaveResource& resource,
                                               int rate, double targetLufs) {
  for (const Cached& c : cache) {
    if (c.recording && c.data == resource.data && c.size == resource.size &&
        c.rate == rate && SameTarget(c.target, targetLufs)) {
      return c.recording;
    }
  }
  std::shared_ptr<Recording> r = ParseWave(resource);
  if (!r || !Playable(r->frames, r->rate, rate)) return nullptr;
  const std::vector<float> stereo = AsStereo(*r);
  Prepare(*r, stereo, rate);
  // Measured as the player hears it, both sides, over its loudest 400 ms
  // (a short effect is heard as one moment, not as an average). At its own
  // rate: the same sound, in fewer samples.
  r->loudness = MaxMomentaryLoudness(
      KWeightedPower(stereo.data(), r->frames, int(r->rate)), int(r->rate));
  if (!std::isnan(targetLufs) && r->loudness > kSilenceLufs) {
    r->gain = float(std::pow(10.0, (targetLufs - r->loudness) / 20.0));
  }
  Cached& slot = cache[cacheNext++ % 8];
  slot = {resource.data, resource.size, rate, targetLufs, r};
  return r;
}

std::shared_ptr<const Recording> RemakeForRate(const Recording& recording,
                                               int rate) {
  if (!Playable(recording.frames, recording.rate, rate)) return nullptr;
  auto r = std::make_shared<Recording>();
  r->samples = recording.samples;
  r->channels = recording.channels;
  r->rate = recording.rate;
  r->frames = recording.frames;
  r->gain = recording.gain;
  r->loudness = recording.loudness;
  Prepare(*r, AsStereo(*r), rate);
  return r;
}

void ClearRecordingCache() {
  for (Cached& c : cache) c = Cached{};
  cacheNext = 0;
}

}  // namespace sound
