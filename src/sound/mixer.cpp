// Our mixer: every playing channel is resampled to the device's rate,
// summed, and limited softly so that four bombs at once never wrap.
#include "sound/mixer.h"

#include <cmath>

#include "sound/device.h"

namespace sound {

std::mutex MixerLock;
Channel Channels[kChannelCount];
int OutputRate = 44100;
int OutputChannels = 2;

uint64_t ChannelStep(const Channel& channel) {
  u32 rate = channel.frequency ? channel.frequency : channel.recording->rate;
  return (uint64_t(rate) << 32) / uint64_t(OutputRate);
}

void SetOutputFormat(int rate, int channels) {
  std::lock_guard<std::mutex> lock(MixerLock);
  OutputRate = rate > 0 ? rate : 44100;
  OutputChannels = channels == 1 ? 1 : 2;
}

// One sample of the recording's channel `k` at frame `i`; outside the
// recording a looping channel wraps (so the seam is interpolated across)
// and a one-shot one is silent.
static inline float SampleAt(const Recording& r, int64_t i, int k, bool loop) {
  int64_t n = r.frames;
  if (i < 0 || i >= n) {
    if (!loop) return 0.0f;
    i %= n;
    if (i < 0) i += n;
  }
  return r.samples[size_t(i) * r.channels + k];
}

// Catmull-Rom through four neighbours: smooth enough that the 11025 Hz
// music does not buzz when stretched to the device's rate.
static inline float Interpolate(float a, float b, float c, float d, float t) {
  float c1 = 0.5f * (c - a);
  float c2 = a - 2.5f * b + 2.0f * c - 0.5f * d;
  float c3 = 0.5f * (d - a) + 1.5f * (b - c);
  return ((c3 * t + c2) * t + c1) * t + b;
}

template <int kChannels>
static void MixChannel(Channel& c, float* acc, int frames) {
  const Recording& r = *c.recording;
  const int16_t* s = r.samples.data();
  const uint64_t step = ChannelStep(c);
  const uint64_t end = uint64_t(r.frames) << 32;
  uint64_t pos = c.position;
  for (int f = 0; f < frames; ++f) {
    int64_t i = int64_t(pos >> 32);
    float t = float(uint32_t(pos)) * (1.0f / 4294967296.0f);
    float left, right;
    if (i >= 1 && i + 2 < int64_t(r.frames)) {
      const int16_t* p = s + (i - 1) * kChannels;
      left = Interpolate(p[0], p[kChannels], p[2 * kChannels], p[3 * kChannels],
                         t);
      right = kChannels == 1
                  ? left
                  : Interpolate(p[1], p[kChannels + 1], p[2 * kChannels + 1],
                                p[3 * kChannels + 1], t);
    } else {
      left = Interpolate(SampleAt(r, i - 1, 0, c.looping),
                         SampleAt(r, i, 0, c.looping),
                         SampleAt(r, i + 1, 0, c.looping),
                         SampleAt(r, i + 2, 0, c.looping), t);
      right = kChannels == 1 ? left
                             : Interpolate(SampleAt(r, i - 1, 1, c.looping),
                                           SampleAt(r, i, 1, c.looping),
                                           SampleAt(r, i + 1, 1, c.looping),
                                           SampleAt(r, i + 2, 1, c.looping), t);
    }
    acc[2 * f] += left;
    acc[2 * f + 1] += right;
    pos += step;
    if (pos >= end && !PassEnd(c, pos, end)) break;
  }
  c.position = pos;
}

// Linear up to the knee, then bending towards full scale: loud sums are
// squeezed instead of clipped or wrapped.
static inline int16_t Limit(float x) {
  constexpr float kKnee = 24576.0f;
  constexpr float kRoom = 32767.0f - kKnee;
  float a = std::fabs(x);
  if (a > kKnee) {
    float excess = a - kKnee;
    a = kKnee + kRoom * excess / (excess + kRoom);
  }
  int v = int(a + 0.5f);
  if (v > 32767) v = 32767;
  return int16_t(x < 0 ? -v : v);
}

void MixAudio(int16_t* out, int frames) {
  constexpr int kBlock = 256;
  static float acc[2 * kBlock];
  std::lock_guard<std::mutex> lock(MixerLock);
  while (frames > 0) {
    int n = frames < kBlock ? frames : kBlock;
    for (int i = 0; i < 2 * n; ++i) acc[i] = 0.0f;
    for (Channel& c : Channels) {
      if (!c.playing || !c.recording) continue;
      if (c.recording->channels == 1) {
        MixChannel<1>(c, acc, n);
      } else {
        MixChannel<2>(c, acc, n);
      }
    }
    if (OutputChannels == 1) {
      for (int f = 0; f < n; ++f) {
        *out++ = Limit(0.5f * (acc[2 * f] + acc[2 * f + 1]));
      }
    } else {
      for (int i = 0; i < 2 * n; ++i) *out++ = Limit(acc[i]);
    }
    frames -= n;
  }
}

void AdvanceChannels(int frames) {
  if (frames <= 0) return;
  std::lock_guard<std::mutex> lock(MixerLock);
  for (Channel& c : Channels) {
    if (!c.playing || !c.recording) continue;
    const uint64_t end = uint64_t(c.recording->frames) << 32;
    c.position += ChannelStep(c) * uint64_t(frames);
    if (c.position >= end) PassEnd(c, c.position, end);
  }
}

}  // namespace sound
