// Changing a recording's rate once, when it is loaded, with a real
// low-pass filter, so the mixer plays it at the device's rate untouched.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sound {

// Resamples `frames` interleaved stereo frames from `inRate` to `outRate`
// with a Kaiser-windowed sinc (polyphase where the ratio allows). The
// recording is taken as one period of a loop, so a looping sound stays
// seamless; one-shots begin and end in silence, where that makes no
// difference. Returns ceil(frames * outRate / inRate) stereo frames with
// `guard` frames of the loop's continuation before and after them, so a
// loop whose length is not a whole number of frames still reads right
// across its seam. Content above 0.92 of the lower Nyquist frequency is
// cut; images and aliases land at least 80 dB down.
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

  // Frame `pos` (32.32) of an interleaved stereo signal of `frames` frames.
  // Outside it a one-shot (guard -1) is silent; a loop reads on into its
  // `guard` frames on either side, and wraps past them.
  void Read(const float* stereo, std::int64_t frames, int guard,
            std::uint64_t pos, float out[2]) const;

 private:
  static constexpr int kPhases = 64;  // linearly interpolated between
  int half_ = 0, taps_ = 0;
  std::vector<float> table_;  // (kPhases + 1) x taps_
};

}  // namespace sound
