#include "sound/recording.h"

#include <cmath>
#include <cstring>

#include "base/bytes.h"
#include "sound/loudness.h"
#include "sound/resample.h"

namespace sound {

namespace {

// The longest a recording may play at the device's rate: about six minutes
// at 44.1 kHz. A header that asks for more is refused
// before anything is made for it.
constexpr uint64_t kMaxPlayedFrames = uint64_t(1) << 24;

bool Playable(u32 frames, u32 rate, int outRate) {
  return uint64_t(frames) * uint64_t(outRate) / rate < kMaxPlayedFrames;
}

// A WAVE resource's samples where they lie, as its header describes them.
struct WaveData {
  const unsigned char* samples = nullptr;
  int channels = 1;
  int bits = 16;
  u32 rate = 0;
  u32 frames = 0;

  // Frame i at full scale 1, both sides (a mono recording twice).
  void Frame(std::size_t i, float& left, float& right) const {
    const std::size_t at = i * std::size_t(channels);
    left = Sample(at);
    right = channels == 1 ? left : Sample(at + 1);
  }
  float Sample(std::size_t k) const {
    const int16_t v = bits == 8 ? int16_t((int(samples[k]) - 128) * 256)
                                : int16_t(base::LoadLe16(samples + 2 * k));
    return v / 32768.0f;
  }
};

// Reads the canonical 44-byte header at its fixed offsets. Anything we
// could not play, or whose samples would run past the resource, is refused.
bool ParseWave(const WaveResource& resource, WaveData& wave) {
  const unsigned char* bytes = resource.data;
  if (!bytes || resource.size < 44) return false;
  if (std::memcmp(bytes, "RIFF", 4) != 0 ||
      std::memcmp(bytes + 8, "WAVE", 4) != 0 ||
      std::memcmp(bytes + 12, "fmt ", 4) != 0 ||
      std::memcmp(bytes + 36, "data", 4) != 0) {
    return false;
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
    return false;
  }
  if (dataLength > resource.size - 44) return false;
  u32 frames = dataLength / blockAlign;
  if (frames == 0) return false;
  wave = {bytes + 44, channels, bits, rate, frames};
  return true;
}

// Measured as the player hears it, both sides, over its loudest 400 ms
// (a short effect is heard as one moment, not as an average). At its own
// rate: the same sound, in fewer samples.
double Loudness(const WaveData& wave) {
  std::vector<float> stereo(2 * std::size_t(wave.frames));
  for (std::size_t i = 0; i < wave.frames; ++i) {
    wave.Frame(i, stereo[2 * i], stereo[2 * i + 1]);
  }
  return MaxMomentaryLoudness(
      KWeightedPower(stereo.data(), wave.frames, int(wave.rate)),
      int(wave.rate));
}

// The recording, made ready to play at `rate` from `frame(i, left, right)`.
template <typename FrameFn>
std::shared_ptr<Recording> Make(FrameFn frame, int channels, u32 ownRate,
                                u32 frames, int rate) {
  auto r = std::make_shared<Recording>();
  r->channels = channels;
  r->rate = ownRate;
  r->frames = frames;
  r->resampler = std::make_unique<const Resampler>(frame, frames, int(ownRate),
                                                   rate, Recording::kGuard);
  r->playedRate = u32(rate);
  r->playedFrames =
      int64_t(r->resampler->Frames()) - 2 * int64_t(Recording::kGuard);
  unsigned __int128 length = frames;
  r->playedLength = uint64_t((length * unsigned(rate) << 32) / ownRate);
  return r;
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

const Cached* Find(const WaveResource& resource, int rate, double target) {
  for (const Cached& c : cache) {
    if (c.recording && c.data == resource.data && c.size == resource.size &&
        c.rate == rate && SameTarget(c.target, target)) {
      return &c;
    }
  }
  return nullptr;
}

}  // namespace

double MeasureLoudness(const WaveResource& resource) {
  WaveData wave;
  return ParseWave(resource, wave) ? Loudness(wave) : std::nan("");
}

bool RecordingReady(const WaveResource& resource, int rate, double targetLufs) {
  return Find(resource, rate, targetLufs) != nullptr;
}

std::shared_ptr<const Recording> LoadRecording(const WaveResource& resource,
                                               int rate, double targetLufs) {
  if (const Cached* c = Find(resource, rate, targetLufs)) return c->recording;
  WaveData wave;
  if (!ParseWave(resource, wave) || !Playable(wave.frames, wave.rate, rate)) {
    return nullptr;
  }
  std::shared_ptr<Recording> r =
      Make([&wave](std::size_t i, float& left,
                   float& right) { wave.Frame(i, left, right); },
           wave.channels, wave.rate, wave.frames, rate);
  // The game's own recordings come measured from the build.
  r->loudness =
      std::isnan(resource.loudness) ? Loudness(wave) : resource.loudness;
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
  const std::vector<float> stereo = recording.resampler->Input();
  auto r = Make(
      [&stereo](std::size_t i, float& left, float& right) {
        left = stereo[2 * i];
        right = stereo[2 * i + 1];
      },
      recording.channels, recording.rate, recording.frames, rate);
  r->gain = recording.gain;
  r->loudness = recording.loudness;
  return r;
}

std::vector<float> Recording::Played() const {
  std::vector<float> out(2 * resampler->Frames());
  resampler->Render(0, resampler->Frames(), out.data());
  return out;
}

void ClearRecordingCache() {
  for (Cached& c : cache) c = Cached{};
  cacheNext = 0;
}

}  // namespace sound
