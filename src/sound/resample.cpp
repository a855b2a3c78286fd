#include "sound/resample.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>

namespace sound {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Where the filter is 6 dB down, as a share of the lower Nyquist frequency.
// With the transition the taps allow, the stop band starts right at it.
constexpr double kCutoff = 0.92;
// Zero crossings of the sinc on each side, at the input rate (upsampling):
// a transition band of 0.16 of Nyquist at 80 dB.
constexpr int kHalfTaps = 32;
constexpr double kBeta = 7.86;  // Kaiser window for 80 dB
// Rational ratios up to this many phases get a table; others are rounded
// to the nearest of this many phases (far below the filter's own error).
constexpr std::int64_t kMaxPhases = 4096;

double BesselI0(double x) {
  double sum = 1, term = 1;
  for (int k = 1; k < 40; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
    if (term < sum * 1e-17) break;
  }
  return sum;
}

// Fills `taps` weights for an output time `phase` (0 to 1) past tap
// half - 1: a sinc cut at `band` of Nyquist under a Kaiser window, summing
// to 1 so a steady level passes exactly.
void Weights(double phase, double band, int half, float* h) {
  static const double i0Beta = BesselI0(kBeta);
  double sum = 0;
  for (int j = 0; j < 2 * half; ++j) {
    const double x = double(j - half + 1) - phase;  // input samples away
    const double r = x / double(half);
    const double window = std::fabs(r) < 1
                              ? BesselI0(kBeta * std::sqrt(1 - r * r)) / i0Beta
                              : 0.0;
    const double sinc =
        x == 0 ? 1.0 : std::sin(kPi * band * x) / (kPi * band * x);
    h[j] = float(band * sinc * window);
    sum += h[j];
  }
  for (int j = 0; j < 2 * half; ++j) h[j] = float(h[j] / sum);
}

// Taps on each side, a multiple of four so the sums run eight at a time.
int HalfTaps(double scale) { return 4 * int(std::ceil(kHalfTaps / scale / 4)); }

// Four floats the compiler keeps in one register (GCC and Clang).
typedef float Four __attribute__((vector_size(16)));
Four Load(const float* p) {
  Four v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

std::vector<float> ResampleLoop(const float* stereo, std::size_t frames,
                                int inRate, int outRate, int guard) {
  std::vector<float> out;
  if (frames == 0 || inRate <= 0 || outRate <= 0 || guard < 0) return out;
  // The input taken as a loop: frame i of it, for any i.
  auto looped = [&](std::int64_t i, int side) {
    const std::int64_t n = std::int64_t(frames);
    return stereo[2 * std::size_t(((i % n) + n) % n) + side];
  };
  if (inRate == outRate) {
    out.resize(2 * (frames + 2 * std::size_t(guard)));
    for (std::size_t m = 0; m < out.size() / 2; ++m) {
      for (int side = 0; side < 2; ++side) {
        out[2 * m + side] = looped(std::int64_t(m) - guard, side);
      }
    }
    return out;
  }
  const std::int64_t g = std::gcd(std::int64_t(inRate), std::int64_t(outRate));
  const std::int64_t up = outRate / g, down = inRate / g;  // out = in * up/down
  const std::int64_t phases = up <= kMaxPhases ? up : kMaxPhases;
  const std::size_t outFrames = std::size_t(
      (std::uint64_t(frames) * std::uint64_t(up) + std::uint64_t(down) - 1) /
      std::uint64_t(down));

  // When the rate goes down the filter guards the output's Nyquist instead,
  // and spans as many more input samples.
  const double scale = outRate < inRate ? double(outRate) / inRate : 1.0;
  const double band = kCutoff * scale;  // cycles per input sample * 2
  const int half = HalfTaps(scale);
  const int taps = 2 * half;
  // Tap j of phase p weighs input (i - half + 1 + j) for output time i + p/P.
  std::vector<float> table(std::size_t(phases) * taps);
  for (std::int64_t p = 0; p < phases; ++p) {
    Weights(double(p) / double(phases), band, half,
            &table[std::size_t(p) * taps]);
  }

  // Split into sides, padded with the loop's own frames on either end, so
  // the seam is filtered like any other point and the guards continue it.
  const std::int64_t guardIn = (std::int64_t(guard) * down + up - 1) / up;
  const std::int64_t pad = taps + guardIn + 2;
  const std::size_t padded = frames + 2 * std::size_t(pad);
  std::vector<float> left(padded), right(padded);
  for (std::size_t i = 0; i < padded; ++i) {
    left[i] = looped(std::int64_t(i) - pad, 0);
    right[i] = looped(std::int64_t(i) - pad, 1);
  }

  out.resize(2 * (outFrames + 2 * std::size_t(guard)));
  for (std::size_t m = 0; m < out.size() / 2; ++m) {
    // Output frame m is at input time (m - guard) * down / up, which is
    // pad input frames into the padded sides.
    const std::uint64_t t =
        std::uint64_t((std::int64_t(m) - guard) * down + pad * up);
    const std::size_t i = std::size_t(t / std::uint64_t(up));
    const std::uint64_t rem = t % std::uint64_t(up);
    const std::int64_t p = phases == up
                               ? std::int64_t(rem)
                               : std::int64_t((rem * std::uint64_t(phases) +
                                               std::uint64_t(up) / 2) /
                                              std::uint64_t(up));
    // A phase rounded up to a whole sample is phase 0 of the next one.
    const std::size_t base = i + std::size_t(p / phases) - half + 1;
    const float* h = &table[std::size_t(p % phases) * taps];
    const float* l = &left[base];
    const float* r = &right[base];
    // Eight running sums per side, four at a time: the additions need not
    // wait on each other, and the processor does four in one.
    Four sl[2] = {}, sr[2] = {};
    for (int j = 0; j < taps; j += 8) {
      for (int k = 0; k < 2; ++k) {
        const Four hk = Load(h + j + 4 * k);
        sl[k] += hk * Load(l + j + 4 * k);
        sr[k] += hk * Load(r + j + 4 * k);
      }
    }
    const Four tl = sl[0] + sl[1], tr = sr[0] + sr[1];
    out[2 * m] = (tl[0] + tl[1]) + (tl[2] + tl[3]);
    out[2 * m + 1] = (tr[0] + tr[1]) + (tr[2] + tr[3]);
  }
  return out;
}

namespace {

constexpr int kSpeedClasses = 37;  // 1, 1.25, ... 10
std::atomic<const PitchFilter*> pitchFilters[kSpeedClasses];

int SpeedClass(double speed) {
  if (!(speed > 1.0)) return 0;
  return std::min(kSpeedClasses - 1, int(std::ceil((speed - 1.0) * 4.0)));
}

}  // namespace

const PitchFilter* PitchFilter::For(double speed) {
  const int k = SpeedClass(speed);
  if (const PitchFilter* made = pitchFilters[k].load()) return made;
  auto filter = std::make_unique<PitchFilter>();
  const double scale = 1.0 / (1.0 + k / 4.0);
  filter->half_ = HalfTaps(scale);
  filter->taps_ = 2 * filter->half_;
  filter->table_.resize(std::size_t(kPhases + 1) * filter->taps_);
  for (int p = 0; p <= kPhases; ++p) {
    Weights(double(p) / kPhases, kCutoff * scale, filter->half_,
            &filter->table_[std::size_t(p) * filter->taps_]);
  }
  // Kept for the rest of the run: the audio thread may be reading it.
  const PitchFilter* expected = nullptr;
  if (pitchFilters[k].compare_exchange_strong(expected, filter.get())) {
    return filter.release();
  }
  return expected;
}

const PitchFilter* PitchFilter::Find(double speed) {
  return pitchFilters[SpeedClass(speed)].load();
}

void PitchFilter::Read(const float* stereo, std::int64_t frames, int guard,
                       std::uint64_t pos, float out[2]) const {
  const std::int64_t i = std::int64_t(pos >> 32);
  const float at = float(std::uint32_t(pos)) * (kPhases / 4294967296.0f);
  const int p = std::min(kPhases - 1, int(at));
  const float mix = at - float(p);
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
    l += h * stereo[2 * k];
    r += h * stereo[2 * k + 1];
  }
  out[0] = l;
  out[1] = r;
}

}  // namespace sound
