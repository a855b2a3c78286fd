#include "sound/loudness.h"

#include <algorithm>
#include <cmath>

namespace sound {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Biquad {
  double b0, b1, b2, a1, a2;
  double z1 = 0, z2 = 0;
  double Run(double x) {
    double y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return y;
  }
};

// The two stages of the K filter, derived for any rate from the analogue
// prototypes: a high shelf of +4 dB above about 1.7 kHz (the head), then a
// high pass at about 38 Hz.
void KFilter(int rate, Biquad& shelf, Biquad& highPass) {
  double f0 = 1681.974450955533, gain = 3.999843853973347;
  double q = 0.7071752369554196;
  double k = std::tan(kPi * f0 / rate);
  double vh = std::pow(10.0, gain / 20.0);
  double vb = std::pow(vh, 0.4996667741545416);
  double a0 = 1.0 + k / q + k * k;
  shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
           (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
           (1.0 - k / q + k * k) / a0};
  f0 = 38.13547087602444;
  q = 0.5003270373238773;
  k = std::tan(kPi * f0 / rate);
  a0 = 1.0 + k / q + k * k;
  highPass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0,
              (1.0 - k / q + k * k) / a0};
}

double ToLufs(double meanPower) {
  return meanPower > 0 ? -0.691 + 10.0 * std::log10(meanPower) : kSilenceLufs;
}

// Mean power of each 400 ms block, one every 100 ms.
std::vector<double> Blocks(const std::vector<float>& power, int rate) {
  const std::size_t hop = std::size_t(rate) / 10, block = 4 * hop;
  std::vector<double> blocks;
  if (power.empty()) return blocks;
  if (power.size() < block) {
    blocks.push_back(WindowLoudness(power.data(), power.size()));
    return blocks;
  }
  // Sums per hop first, so each block is four additions.
  std::vector<double> hops;
  for (std::size_t at = 0; at + hop <= power.size(); at += hop) {
    double sum = 0;
    for (std::size_t i = at; i < at + hop; ++i) sum += power[i];
    hops.push_back(sum);
  }
  for (std::size_t h = 0; h + 4 <= hops.size(); ++h) {
    double sum = hops[h] + hops[h + 1] + hops[h + 2] + hops[h + 3];
    blocks.push_back(ToLufs(sum / double(block)));
  }
  return blocks;
}

}  // namespace

std::vector<float> KWeightedPower(const float* stereo, std::size_t frames,
                                  int rate) {
  Biquad shelf[2], highPass[2];
  for (int c = 0; c < 2; ++c) KFilter(rate, shelf[c], highPass[c]);
  std::vector<float> power(frames);
  for (std::size_t i = 0; i < frames; ++i) {
    double sum = 0;
    for (int c = 0; c < 2; ++c) {
      double y = highPass[c].Run(shelf[c].Run(stereo[2 * i + c]));
      sum += y * y;
    }
    power[i] = float(sum);
  }
  return power;
}

double WindowLoudness(const float* power, std::size_t frames) {
  double sum = 0;
  for (std::size_t i = 0; i < frames; ++i) sum += power[i];
  return frames ? ToLufs(sum / double(frames)) : kSilenceLufs;
}

double IntegratedLoudness(const std::vector<float>& power, int rate) {
  std::vector<double> blocks = Blocks(power, rate);
  auto gatedMean = [&](double gate) {
    double sum = 0;
    int n = 0;
    for (double l : blocks) {
      if (l > gate) sum += std::pow(10.0, (l + 0.691) / 10.0), ++n;
    }
    return n ? ToLufs(sum / n) : kSilenceLufs;
  };
  double ungated = gatedMean(-70.0);
  if (ungated <= kSilenceLufs) return kSilenceLufs;
  return gatedMean(std::max(-70.0, ungated - 10.0));
}

double MaxMomentaryLoudness(const std::vector<float>& power, int rate) {
  std::vector<double> blocks = Blocks(power, rate);
  return blocks.empty() ? kSilenceLufs
                        : *std::max_element(blocks.begin(), blocks.end());
}

}  // namespace sound
