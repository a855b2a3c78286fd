// Loudness as listeners hear it: K-weighting and gating after ITU-R BS.1770
// (the EBU R128 measure), in LUFS. The mixer matches its recordings with it;
// the tests and the mix check measure whole games with it.
#pragma once
#include <cstddef>
#include <vector>

namespace sound {

// Level of total silence, below anything a block can measure.
inline constexpr double kSilenceLufs = -200.0;

// Per-frame K-weighted power (left and right summed) of an interleaved
// stereo signal at full scale 1.0. A window's loudness is then
// -0.691 + 10 log10 of the mean power over it.
std::vector<float> KWeightedPower(const float* stereo, std::size_t frames,
                                  int rate);

// Ungated loudness of `frames` frames of power; kSilenceLufs for silence.
double WindowLoudness(const float* power, std::size_t frames);

// Integrated loudness: 400 ms blocks every 100 ms, gated absolutely at
// -70 LUFS and then at 10 LU below the mean of what passed. A signal
// shorter than one block counts as one block.
double IntegratedLoudness(const std::vector<float>& power, int rate);

// The loudest 400 ms block (momentary loudness).
double MaxMomentaryLoudness(const std::vector<float>& power, int rate);

}  // namespace sound
