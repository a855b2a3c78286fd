// Changing a recording's rate once, when it is loaded, with a real
// low-pass filter, so the mixer plays it at the device's rate untouched.
#pragma once
#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sound {

// Resamples `frames` interleaved stereo frames from `inRate` to `outRate`
// with a Kaiser-windowed sinc (polyphase where the ratio allows). The
// recording is taken as one period of a loop, so a looping sound stays
// seamless; one-shots begin and end in silence, where that makes no
// difference. Gives ceil(frames * outRate / inRate) stereo frames with
// `guard` frames of the loop's continuation before and after them, so a
// loop whose length is not a whole number of frames still reads right
// across its seam. Content above 0.92 of the lower Nyquist frequency is
// cut; images and aliases land at least 80 dB down.
//
// Made once per recording (the filter, and the recording split into sides
// padded with its own loop); any stretch of the output is then computed
// when it is needed, so a recording is kept at its own rate and never
// converted whole. Every output frame comes out the same however the
// output is cut into stretches.
class Resampler {
 public:
  Resampler(const float* stereo, std::size_t frames, int inRate, int outRate,
            int guard = 0)
      : Resampler(
            [stereo](std::size_t i, float& l, float& r) {
              l = stereo[2 * i];
              r = stereo[2 * i + 1];
            },
            frames, inRate, outRate, guard) {}
  // The same, reading input frame i through `frame(i, left, right)`, so a
  // recording goes straight from its file's bytes into the sides.
  template <typename FrameFn>
  requires std::invocable<FrameFn, std::size_t, float&, float&> Resampler(
      FrameFn frame, std::size_t frames, int inRate, int outRate,
      int guard = 0) {
    if (!Plan(frames, inRate, outRate, guard)) return;
    const std::int64_t n = std::int64_t(frames);
    std::size_t at = std::size_t(((-pad_) % n + n) % n);
    for (std::size_t i = 0; i < left_.size(); ++i) {
      frame(at, left_[i], right_[i]);
      if (++at == frames) at = 0;
    }
  }

  // Output frames, both guards included.
  std::size_t Frames() const { return outFrames_; }
  // Output frames [first, first + count) into `out`, interleaved. The
  // stretch must lie within Frames().
  void Render(std::size_t first, std::size_t count, float* out) const;
  // The input again, interleaved.
  std::vector<float> Input() const;

 private:
  // Sets up the filter and sizes the sides; false when there is nothing to
  // make.
  bool Plan(std::size_t frames, int inRate, int outRate, int guard);

  std::int64_t up_ = 1, down_ = 1, phases_ = 1, pad_ = 0;
  int half_ = 0, taps_ = 0, guard_ = 0;
  std::size_t inFrames_ = 0, outFrames_ = 0;
  std::vector<float> table_;         // phases_ x taps_
  std::vector<float> left_, right_;  // the input, padded by pad_ frames
};

// The whole output of a Resampler at once.
std::vector<float> ResampleLoop(const float* stereo, std::size_t frames,
                                int inRate, int outRate, int guard = 0);

// Band-limited reading between frames, for a voice played at a frequency
// of its own (no caller in the game sets one, but the command allows it):
// the same filter as above, scaled to the speed, so a raised pitch does not
// alias either. Speeds are grouped in quarter steps up to ten times.
class PitchFilter {
 public:
  // The filter for reading `speed` played frames per output frame, made on
  // first use (allocates: the game thread calls this).
  static const PitchFilter* For(double speed);
  // The same, or nullptr when it was never made (the audio thread).
  static const PitchFilter* Find(double speed);

  // Frame `pos` (32.32) of a stereo signal of `frames` frames, whose frame
  // k (two floats) `at(k)` gives. Outside it a one-shot (guard -1) is
  // silent; a loop reads on into its `guard` frames on either side, and
  // wraps past them.
  template <typename FrameAt>
  void Read(FrameAt at, std::int64_t frames, int guard, std::uint64_t pos,
            float out[2]) const {
    const std::int64_t i = std::int64_t(pos >> 32);
    const float point = float(std::uint32_t(pos)) * (kPhases / 4294967296.0f);
    const int p = std::min(kPhases - 1, int(point));
    const float mix = point - float(p);
    const float* a = &table_[std::size_t(p) * taps_];
    const float* b = a + taps_;
    const std::int64_t first = i - half_ + 1;
    float l = 0, r = 0;
    for (int j = 0; j < taps_; ++j) {
      std::int64_t k = first + j;
      if (k < 0 || k >= frames) {
        if (guard < 0) continue;
        if (k < -guard || k >= frames + guard) {
          k = ((k % frames) + frames) % frames;
        }
      }
      const float h = a[j] + (b[j] - a[j]) * mix;
      const float* f = at(k);
      l += h * f[0];
      r += h * f[1];
    }
    out[0] = l;
    out[1] = r;
  }

 private:
  static constexpr int kPhases = 64;  // linearly interpolated between
  int half_ = 0, taps_ = 0;
  std::vector<float> table_;  // (kPhases + 1) x taps_
};

}  // namespace sound
