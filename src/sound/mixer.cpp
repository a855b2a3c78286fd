// Our mixer. Each voice resamples its recording to the device's rate a
// stretch ahead of where it plays (the recordings stay at their own rate),
// and then is mostly a gain and an add. Voices start, stop and
// hand over with short fades; the sum goes through a look-ahead limiter
// that turns loud moments down smoothly instead of distorting them.
#include "sound/mixer.h"

#include <algorithm>
#include <cmath>

#include "sound/device.h"
#include "sound/resample.h"
#include "sound/volumes.h"

namespace sound {

std::mutex MixerLock;
Channel Channels[kChannelCount];
int OutputRate = 44100;
int OutputChannels = 2;

namespace {

constexpr int kBlock = 256;
constexpr uint64_t kUnitStep = uint64_t(1) << 32;

// --- Shared with the game thread, under MixerLock ---------------------------

MixStats stats;
uint32_t audibleChannels = ~0u;
// The device's hold (see HoldOutput), and whether its fade is done.
bool outputHeld = false;
bool outputSilent = false;
// The channels' recordings were remade for a new rate: start every voice
// afresh from the channels.
bool dropVoices = false;
// References the mixer has let go of; the game thread frees them, so the
// audio thread never frees memory.
std::shared_ptr<const Recording> retired[kRetiredCapacity];
int retiredCount = 0;

// --- The audio thread's own -------------------------------------------------

// The stretch of a voice's played form it reads now, computed when it reads
// past it. Left uninitialised: a voice is reset more often than it plays.
struct Window {
  static constexpr int kFrames = 1024;
  static constexpr int kBack = 4;  // kept before the frame asked for
  Window() {}
  // Frames [k, k + n) of `r`'s played form, guards included (n is at most
  // kFrames - kBack).
  const float* At(const Recording& r, int64_t k, int64_t n) {
    if (k < first || k + n > first + count) {
      first = std::max<int64_t>(-Recording::kGuard, k - kBack);
      count = std::min<int64_t>(kFrames,
                                r.playedFrames + Recording::kGuard - first);
      r.Render(first, count, frames);
    }
    return frames + 2 * (k - first);
  }
  int64_t first = 0, count = 0;
  float frames[2 * kFrames];
};

struct Voice {
  std::shared_ptr<const Recording> rec;
  Window window;
  uint64_t pos = 0;
  uint64_t step = kUnitStep;
  bool looping = false;
  bool ended = false;  // played out, or faded out
  bool fadingOut = false;
  float env = 1.0f;  // the fade's gain
  float envStep = 0.0f;
  int envLeft = 0;           // frames of fade to go
  float fadeStepMax = 0.0f;  // the largest step the fade made so far
  int group = 0;             // 0 effects, 1 music
  // Reads between frames; without one (never made), Catmull-Rom.
  const PitchFilter* between = nullptr;
};
Voice voices[kChannelCount];  // what each channel plays
Voice tails[kChannelCount];   // what it played before, fading out
u32 seen[kChannelCount];      // the channel's serial the voice follows
float groupGain[2] = {kMasterGain, kMasterGain};  // effects, music, now
float groupTarget[2] = {kMasterGain, kMasterGain};
uint32_t audibleNow = ~0u;
bool heldNow = false;
float edge = 1.0f;  // the hold's gain on the whole output

// Look-ahead limiter: each frame's gain is the smallest any frame within
// the look-ahead needs, released slowly, then averaged over the look-ahead,
// so the gain glides down before a peak arrives and up after it.
class Limiter {
 public:
  // How many frames the output runs behind at `rate`: 2 ms.
  static int AheadFor(int rate) { return std::clamp(rate / 500, 1, kMax - 1); }
  void Configure(int rate) {
    rate_ = rate;
    ahead_ = AheadFor(rate);
    // Back up with a time constant of 80 ms, and never slower than a
    // whole gain in half a second, so it reaches 1 and stays there.
    releaseCoeff_ = 1.0f - std::exp(-1.0f / (0.08f * float(rate)));
    releaseFloor_ = 2.0f / float(rate);
    Clear();
  }
  void Clear() {
    for (int i = 0; i < kMax; ++i) delayL_[i] = delayR_[i] = 0.0f, box_[i] = 1;
    head_ = tail_ = 0;
    t_ = 0;
    released_ = 1.0f;
    boxSum_ = ahead_;
    below_ = 0;
  }
  int rate() const { return rate_; }

  // Takes a frame and gives back the one from `ahead` frames ago, limited.
  // True when that frame was turned down.
  bool Run(float& l, float& r) {
    const float level = std::fmax(std::fabs(l), std::fabs(r));
    const float need = level > kLimiterCeiling ? kLimiterCeiling / level : 1;
    // Smallest need over the last ahead + 1 frames (a monotonic queue).
    while (tail_ != head_ && queueNeed_[(tail_ - 1) & kMask] >= need) --tail_;
    queueNeed_[tail_ & kMask] = need;
    queueAt_[tail_ & kMask] = t_;
    ++tail_;
    while (queueAt_[head_ & kMask] + ahead_ < t_) ++head_;
    const float held = queueNeed_[head_ & kMask];
    if (held < released_) {
      released_ = held;
    } else {
      released_ = std::fmin(
          held, released_ + (1.0f - released_) * releaseCoeff_ + releaseFloor_);
    }
    const int slot = int(t_ % ahead_);
    below_ += (released_ < 1.0f) - (box_[slot] < 1.0f);
    boxSum_ += double(released_) - double(box_[slot]);
    box_[slot] = released_;
    float gain = 1.0f;
    if (below_ == 0) {
      boxSum_ = ahead_;  // all at 1: no drift left behind
    } else {
      gain = std::fmin(1.0f, float(boxSum_ / ahead_));
    }
    const float outL = delayL_[slot], outR = delayR_[slot];
    delayL_[slot] = l;
    delayR_[slot] = r;
    ++t_;
    l = outL * gain;
    r = outR * gain;
    return gain < 1.0f;
  }

 private:
  static constexpr int kMax = 1024;  // up to 2 ms at 512 kHz
  static constexpr int kMask = kMax - 1;
  float delayL_[kMax], delayR_[kMax];
  float box_[kMax];
  float queueNeed_[kMax];
  int64_t queueAt_[kMax];
  uint64_t head_ = 0, tail_ = 0;
  int64_t t_ = 0;
  int rate_ = 0, ahead_ = 1;
  float releaseCoeff_ = 0, releaseFloor_ = 0;
  float released_ = 1.0f;
  double boxSum_ = 1;
  int below_ = 0;
};
Limiter limiter;

int Frames(int milliseconds) {
  return std::max(1, OutputRate * milliseconds / 1000);
}

float VolumeGain(int volume) {
  return volume <= 0
             ? 0.0f
             : float(std::pow(10.0, double(std::min(volume, 100) - 100) *
                                        kVolumeDbPerStep / 20.0));
}

void Retire(Voice& v) {
  // When the list is full (the game's use never fills it) the reference is
  // dropped here.
  if (v.rec && retiredCount < kRetiredCapacity) {
    retired[retiredCount++] = std::move(v.rec);
  }
  v = Voice{};
}

// Catmull-Rom through four neighbours, for voices between frames.
inline float Interpolate(float a, float b, float c, float d, float t) {
  float c1 = 0.5f * (c - a);
  float c2 = a - 2.5f * b + 2.0f * c - 0.5f * d;
  float c3 = 0.5f * (d - a) + 1.5f * (b - c);
  return ((c3 * t + c2) * t + c1) * t + b;
}

// Frame `i` of the voice's played form; outside it a loop continues into
// its guard frames (or wraps, past them) and a one-shot is silent.
inline const float* FrameAt(Voice& v, int64_t i, bool loop) {
  static constexpr float kSilence[2] = {0.0f, 0.0f};
  const Recording& r = *v.rec;
  if (i < 0 || i >= r.playedFrames) {
    if (!loop) return kSilence;
    if (i < -Recording::kGuard || i >= r.playedFrames + Recording::kGuard) {
      i = ((i % r.playedFrames) + r.playedFrames) % r.playedFrames;
    }
  }
  return v.window.At(r, i, 1);
}

// The voice's played form at `pos`, through the voice's filter or, without
// one, Catmull-Rom.
void ReadAt(Voice& v, uint64_t pos, bool loop, float out[2],
            const PitchFilter* between = nullptr) {
  const Recording& r = *v.rec;
  if (between) {
    between->Read([&](int64_t k) { return v.window.At(r, k, 1); },
                  r.playedFrames, loop ? Recording::kGuard : -1, pos, out);
    return;
  }
  const int64_t i = int64_t(pos >> 32);
  const float t = float(uint32_t(pos)) * (1.0f / 4294967296.0f);
  if (i >= 1 && i + 2 < r.playedFrames) {
    const float* p = v.window.At(r, i - 1, 4);
    out[0] = Interpolate(p[0], p[2], p[4], p[6], t);
    out[1] = Interpolate(p[1], p[3], p[5], p[7], t);
    return;
  }
  for (int k = 0; k < 2; ++k) {
    out[k] =
        Interpolate(FrameAt(v, i - 1, loop)[k], FrameAt(v, i, loop)[k],
                    FrameAt(v, i + 1, loop)[k], FrameAt(v, i + 2, loop)[k], t);
  }
}

// At its own rate a voice needs a filter only between frames (a loop whose
// length is not a whole number of frames); at any other speed, always: even
// a whole-number speed drops frames, and must not let what it cannot hold
// fold back.
const PitchFilter* Between(uint64_t step) {
  return PitchFilter::Find(double(step) / double(kUnitStep));
}

void FadeIn(Voice& v, int frames) {
  v.env = 0.0f;
  v.envLeft = frames;
  v.envStep = 1.0f / float(frames);
  v.fadeStepMax = 0.0f;
}

void FadeOut(Voice& v, int frames) {
  v.fadingOut = true;
  v.envLeft = std::max(1, int(std::ceil(v.env * float(frames))));
  v.envStep = -v.env / float(v.envLeft);
  v.fadeStepMax = 0.0f;
}

void NoteFade(const Voice& v, int channel, MixStats& local) {
  if (!(audibleNow >> channel & 1)) return;
  (v.fadingOut ? local.cuts : local.starts)[v.group].Add(v.fadeStepMax);
}

// Moves the voice on by one frame of its fade.
inline void StepFade(Voice& v, int channel, MixStats& local) {
  v.env += v.envStep;
  if (--v.envLeft == 0) {
    v.env = v.fadingOut ? 0.0f : 1.0f;
    NoteFade(v, channel, local);
    if (v.fadingOut) v.ended = true;
  }
}

// Moves the position on; false when a one-shot has played out.
inline bool Advance(Voice& v, uint64_t by) {
  v.pos += by;
  const uint64_t length = v.rec->playedLength;
  if (v.pos < length) return true;
  if (v.looping) {
    v.pos %= length;
    return true;
  }
  v.ended = true;
  return false;
}

void MixVoice(Voice& v, int channel, float* bus, int n, MixStats& local) {
  const Recording& r = *v.rec;
  const float gain = r.gain;
  const float outGain = groupTarget[v.group];
  int f = 0;
  while (f < n && !v.ended) {
    if (v.envLeft == 0 && v.step == kUnitStep && uint32_t(v.pos) == 0) {
      // Whole frames at the device's rate, no fade: a plain scaled add.
      const uint64_t left = v.rec->playedLength - v.pos;
      const int until = int(
          std::min<uint64_t>(uint64_t(n - f), (left + kUnitStep - 1) >> 32));
      const float g = gain * v.env;
      const float* p = v.window.At(r, int64_t(v.pos >> 32), until);
      float* b = bus + 2 * f;
      for (int j = 0; j < 2 * until; ++j) b[j] += p[j] * g;
      f += until;
      Advance(v, uint64_t(until) << 32);
      continue;
    }
    float s[2];
    ReadAt(v, v.pos, v.looping, s,
           v.step != kUnitStep || uint32_t(v.pos) ? v.between : nullptr);
    const float g = gain * v.env;
    bus[2 * f] += s[0] * g;
    bus[2 * f + 1] += s[1] * g;
    ++f;
    if (v.envLeft > 0) {
      // The step the fade adds to the output at this frame.
      float step = std::fmax(std::fabs(s[0]), std::fabs(s[1])) * gain *
                   std::fabs(v.envStep) * outGain;
      v.fadeStepMax = std::fmax(v.fadeStepMax, step);
      StepFade(v, channel, local);
      if (v.ended) break;
    }
    if (!Advance(v, v.step) && v.envLeft > 0) NoteFade(v, channel, local);
  }
}

// Brings the voices in line with the channels. Runs with MixerLock held.
// Without `measure` the steps of starts and cuts are not looked at (the
// silent device's time keeping, which keeps no figures).
void Sync(MixStats& local, bool measure = true) {
  if (limiter.rate() != OutputRate) limiter.Configure(OutputRate);
  for (int g = 0; g < 2; ++g) {
    const int group = g == 0 ? PlayerVolumes.effects : PlayerVolumes.music;
    groupTarget[g] = PlayerVolumes.mute
                         ? 0.0f
                         : kMasterGain * VolumeGain(PlayerVolumes.master) *
                               VolumeGain(group);
  }
  audibleNow = audibleChannels;
  heldNow = outputHeld;
  if (dropVoices) {
    for (int k = 0; k < kChannelCount; ++k) {
      Retire(voices[k]);
      Retire(tails[k]);
      seen[k] = Channels[k].serial - 1;
    }
    limiter.Clear();
    dropVoices = false;
  }
  for (int k = 0; k < kChannelCount; ++k) {
    const Channel& c = Channels[k];
    Voice& v = voices[k];
    const int group = k == kMusicChannel ? 1 : 0;
    const bool heard = audibleNow >> k & 1;
    if (c.serial == seen[k]) {
      if (v.rec) {
        v.step = ChannelStep(c);
        v.looping = c.looping;
        v.between = Between(v.step);
      }
      continue;
    }
    seen[k] = c.serial;
    if (v.rec) {
      // The sounding voice fades out while its successor starts.
      Voice& t = tails[k];
      if (t.rec && heard && measure) {
        // Two hand-overs within one pull: the older tail is cut.
        float s[2];
        ReadAt(t, t.pos, t.looping, s);
        local.cuts[group].Add(std::fmax(std::fabs(s[0]), std::fabs(s[1])) *
                              t.rec->gain * t.env * groupTarget[group]);
      }
      Retire(t);
      t = std::move(v);
      FadeOut(t, Frames(group ? kMusicFadeOutMs : kFadeOutMs));
    }
    Retire(v);
    if (!c.playing || !c.recording) continue;
    v.rec = c.recording;
    v.pos = c.position;
    v.step = ChannelStep(c);
    v.looping = c.looping;
    v.between = Between(v.step);
    v.group = group;
    if (group == 1) {
      FadeIn(v, Frames(kMusicFadeInMs));
    } else if (c.position != 0) {
      FadeIn(v, Frames(kFadeOutMs));
    } else if (heard && measure) {
      // From its own beginning an effect starts as recorded.
      float s[2];
      ReadAt(v, v.pos, v.looping, s);
      local.starts[0].Add(std::fmax(std::fabs(s[0]), std::fabs(s[1])) *
                          v.rec->gain * groupTarget[0]);
    }
  }
}

// Hands the voices' positions and ends back to the channels, and the
// recordings the voices are done with to the game thread. MixerLock held.
void WriteBack(const MixStats& local) {
  for (int k = 0; k < kChannelCount; ++k) {
    Channel& c = Channels[k];
    Voice& v = voices[k];
    const bool current = c.serial == seen[k];
    if (v.rec && v.ended) {
      if (current && c.playing) {
        c.playing = false;  // played to the end: the next play starts over
        c.position = 0;
      }
      Retire(v);
    } else if (v.rec && current) {
      c.position = v.pos;
    }
    if (tails[k].ended) Retire(tails[k]);
  }
  stats.frames += local.frames;
  stats.reducedFrames += local.reducedFrames;
  stats.clippedSamples += local.clippedSamples;
  stats.peak = std::fmax(stats.peak, local.peak);
  for (int g = 0; g < 2; ++g) {
    stats.cuts[g].Merge(local.cuts[g]);
    stats.starts[g].Merge(local.starts[g]);
  }
}

int16_t ToSample(float x, MixStats& local) {
  const float v = std::nearbyint(x * 32768.0f);
  if (std::fabs(v) >= 32767.0f) ++local.clippedSamples;
  return int16_t(std::clamp(v, -32768.0f, 32767.0f));
}

}  // namespace

uint64_t ChannelStep(const Channel& channel) {
  if (!channel.recording || channel.frequency == 0) return kUnitStep;
  return (uint64_t(channel.frequency) << 32) / channel.recording->rate;
}

int MixDelayFrames() {
  std::lock_guard<std::mutex> lock(MixerLock);
  return Limiter::AheadFor(OutputRate);
}

void MixAudio(int16_t* out, int frames) {
  static float effects[2 * kBlock], music[2 * kBlock], unheard[2 * kBlock];
  static MixStats local;
  local = MixStats{};
  {
    std::lock_guard<std::mutex> lock(MixerLock);
    Sync(local);
    if (heldNow && edge == 0.0f) {
      // Held, its fade done: silence, and every channel stays where it is.
      outputSilent = true;
      std::fill(out, out + frames * OutputChannels, int16_t(0));
      return;
    }
    outputSilent = false;
  }
  const float edgeTarget = heldNow ? 0.0f : 1.0f;
  const float edgeStep = 1.0f / float(Frames(kEdgeFadeMs));
  while (frames > 0) {
    const int n = frames < kBlock ? frames : kBlock;
    std::fill(effects, effects + 2 * n, 0.0f);
    std::fill(music, music + 2 * n, 0.0f);
    for (int k = 0; k < kChannelCount; ++k) {
      float* bus = !(audibleNow >> k & 1) ? unheard
                   : k == kMusicChannel   ? music
                                          : effects;
      for (Voice* v : {&tails[k], &voices[k]}) {
        if (v->rec && !v->ended) MixVoice(*v, k, bus, n, local);
      }
    }
    // Volume changes glide over the block instead of jumping.
    const float e0 = groupGain[0], m0 = groupGain[1];
    const float de = (groupTarget[0] - e0) / float(n);
    const float dm = (groupTarget[1] - m0) / float(n);
    for (int f = 0; f < n; ++f) {
      const float ge = e0 + de * float(f + 1), gm = m0 + dm * float(f + 1);
      float l = effects[2 * f] * ge + music[2 * f] * gm;
      float r = effects[2 * f + 1] * ge + music[2 * f + 1] * gm;
      local.peak = std::fmax(local.peak, std::fmax(std::fabs(l), std::fabs(r)));
      if (limiter.Run(l, r)) ++local.reducedFrames;
      if (edge != edgeTarget) {
        edge = heldNow ? std::fmax(0.0f, edge - edgeStep)
                       : std::fmin(1.0f, edge + edgeStep);
      }
      l *= edge;
      r *= edge;
      if (OutputChannels == 1) {
        *out++ = ToSample(0.5f * (l + r), local);
      } else {
        *out++ = ToSample(l, local);
        *out++ = ToSample(r, local);
      }
    }
    groupGain[0] = groupTarget[0];
    groupGain[1] = groupTarget[1];
    local.frames += uint64_t(n);
    frames -= n;
  }
  std::lock_guard<std::mutex> lock(MixerLock);
  WriteBack(local);
}

void AdvanceChannels(int sampleFrames) {
  if (sampleFrames <= 0) return;
  std::lock_guard<std::mutex> lock(MixerLock);
  MixStats local;
  Sync(local, false);
  for (int k = 0; k < kChannelCount; ++k) {
    for (Voice* v : {&tails[k], &voices[k]}) {
      if (!v->rec || v->ended) continue;
      if (v->envLeft > 0) {
        const int k2 = std::min(v->envLeft, sampleFrames);
        v->env += v->envStep * float(k2);
        v->envLeft -= k2;
        if (v->envLeft == 0) {
          v->env = v->fadingOut ? 0.0f : 1.0f;
          if (v->fadingOut) v->ended = true;
        }
      }
      if (!v->ended) Advance(*v, v->step * uint64_t(sampleFrames));
    }
  }
  groupGain[0] = groupTarget[0];
  groupGain[1] = groupTarget[1];
  WriteBack(MixStats{});
}

void HoldOutput(bool hold) {
  std::lock_guard<std::mutex> lock(MixerLock);
  outputHeld = hold;
  if (!hold) outputSilent = false;
}

bool OutputSilent() {
  std::lock_guard<std::mutex> lock(MixerLock);
  return outputSilent;
}

void SetOutputFormat(int rate, int channels) {
  rate = rate > 0 ? rate : 44100;
  std::shared_ptr<const Recording> olds[kChannelCount], news[kChannelCount];
  int oldRate;
  {
    std::lock_guard<std::mutex> lock(MixerLock);
    OutputChannels = channels == 1 ? 1 : 2;
    if (rate == OutputRate) return;
    oldRate = OutputRate;
    for (int k = 0; k < kChannelCount; ++k) olds[k] = Channels[k].recording;
  }
  // Made again outside the lock; duplicates stay shared.
  for (int k = 0; k < kChannelCount; ++k) {
    if (!olds[k]) continue;
    for (int j = 0; j < k && !news[k]; ++j) {
      if (olds[j] == olds[k]) news[k] = news[j];
    }
    if (!news[k]) news[k] = RemakeForRate(*olds[k], rate);
  }
  std::lock_guard<std::mutex> lock(MixerLock);
  for (int k = 0; k < kChannelCount; ++k) {
    Channel& c = Channels[k];
    if (c.recording && c.recording == olds[k]) {
      if (news[k]) {
        unsigned __int128 at = c.position;
        at = at * unsigned(rate) / unsigned(oldRate);
        c.position =
            std::min<uint64_t>(uint64_t(at), news[k]->playedLength - 1);
      } else {
        const u32 serial = c.serial;
        c = Channel{};  // too long for this rate: the slot is emptied
        c.serial = serial;
      }
      c.recording = news[k];
    }
    ++c.serial;
  }
  OutputRate = rate;
  dropVoices = true;
}

// --- Watching
// -----------------------------------------------------------------

void StepFigures::Add(float step) {
  if (step > largest) largest = step;
  int db = step > 0 ? int(std::floor(20.0f * std::log10(step))) : -120;
  ++byDb[db < -120 ? 0 : db > 0 ? 120 : db + 120];
  ++count;
}

float StepFigures::Median() const {
  for (int i = 0, seen = 0; i < 121; ++i) {
    seen += byDb[i];
    if (2 * seen >= count && count) return std::pow(10.0f, (i - 120) / 20.0f);
  }
  return 0.0f;
}

void StepFigures::Merge(const StepFigures& other) {
  count += other.count;
  largest = std::fmax(largest, other.largest);
  for (int i = 0; i < 121; ++i) byDb[i] += other.byDb[i];
}

int StepFigures::Over(int db) const {
  int n = 0;
  for (int i = db + 120; i < 121; ++i) n += i >= 0 ? byDb[i] : 0;
  return n;
}

MixStats GetMixStats() {
  std::lock_guard<std::mutex> lock(MixerLock);
  return stats;
}

void ResetMixStats() {
  std::lock_guard<std::mutex> lock(MixerLock);
  stats = MixStats{};
}

void SetAudibleChannels(uint32_t mask) {
  std::lock_guard<std::mutex> lock(MixerLock);
  audibleChannels = mask;
}

void TakeRetired(std::shared_ptr<const Recording>* into, int capacity) {
  for (int i = 0; i < retiredCount && i < capacity; ++i) {
    into[i] = std::move(retired[i]);
  }
  retiredCount = 0;
}

void ResetMixer() {
  std::shared_ptr<const Recording> dropped[kRetiredCapacity];
  std::lock_guard<std::mutex> lock(MixerLock);
  for (int k = 0; k < kChannelCount; ++k) {
    voices[k] = Voice{};
    tails[k] = Voice{};
    seen[k] = Channels[k].serial;
  }
  TakeRetired(dropped, kRetiredCapacity);
  stats = MixStats{};
  for (int g = 0; g < 2; ++g) groupGain[g] = groupTarget[g];
  limiter.Configure(OutputRate);
  dropVoices = false;
  outputHeld = outputSilent = heldNow = false;
  edge = 1.0f;
}

}  // namespace sound
