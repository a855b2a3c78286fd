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

bool Resampler::Plan(std::size_t frames, int inRate, int outRate, int guard) {
  if (frames == 0 || inRate <= 0 || outRate <= 0 || guard < 0) return false;
  guard_ = guard;
  inFrames_ = frames;
  if (inRate == outRate) {
    outFrames_ = frames + 2 * std::size_t(guard);
    pad_ = guard;
  } else {
    const std::int64_t g =
        std::gcd(std::int64_t(inRate), std::int64_t(outRate));
    up_ = outRate / g;  // out = in * up/down
    down_ = inRate / g;
    phases_ = up_ <= kMaxPhases ? up_ : kMaxPhases;
    outFrames_ = std::size_t((std::uint64_t(frames) * std::uint64_t(up_) +
                              std::uint64_t(down_) - 1) /
                             std::uint64_t(down_)) +
                 2 * std::size_t(guard);

    // When the rate goes down the filter guards the output's Nyquist
    // instead, and spans as many more input samples.
    const double scale = outRate < inRate ? double(outRate) / inRate : 1.0;
    const double band = kCutoff * scale;  // cycles per input sample * 2
    half_ = HalfTaps(scale);
    taps_ = 2 * half_;
    // Tap j of phase p weighs input (i - half + 1 + j) for output time
    // i + p/P.
    table_.resize(std::size_t(phases_) * taps_);
    for (std::int64_t p = 0; p < phases_; ++p) {
      Weights(double(p) / double(phases_), band, half_,
              &table_[std::size_t(p) * taps_]);
    }
    const std::int64_t guardIn = (std::int64_t(guard) * down_ + up_ - 1) / up_;
    pad_ = taps_ + guardIn + 2;
  }
  // The sides are padded with the loop's own frames on either end, so the
  // seam is filtered like any other point and the guards continue it.
  left_.resize(frames + 2 * std::size_t(pad_));
  right_.resize(left_.size());
  return true;
}

std::vector<float> Resampler::Input() const {
  std::vector<float> stereo(2 * inFrames_);
  for (std::size_t i = 0; i < inFrames_; ++i) {
    stereo[2 * i] = left_[std::size_t(pad_) + i];
    stereo[2 * i + 1] = right_[std::size_t(pad_) + i];
  }
  return stereo;
}

namespace {

// What the filter of every output frame reads.
struct FilterInput {
  const float* table;
  const float* left;
  const float* right;
  std::int64_t up, down, phases, pad;
  int half, taps, guard;
};

// Output frames [first, first + count) into `out`.
void Filter(const FilterInput& f, std::size_t first, std::size_t count,
            float* out) {
  // Output frame m is at input time (m - guard) * down / up, which is pad
  // input frames into the padded sides: whole frames i and the rest, moved
  // on by down / up each frame without dividing.
  const std::uint64_t up = std::uint64_t(f.up);
  const std::uint64_t t =
      std::uint64_t((std::int64_t(first) - f.guard) * f.down + f.pad * f.up);
  std::size_t i = std::size_t(t / up);
  std::uint64_t rem = t % up;
  const std::size_t stepWhole = std::size_t(std::uint64_t(f.down) / up);
  const std::uint64_t stepRest = std::uint64_t(f.down) % up;
  for (std::size_t m = first; m < first + count; ++m, out += 2) {
    const std::int64_t p =
        f.phases == f.up
            ? std::int64_t(rem)
            : std::int64_t((rem * std::uint64_t(f.phases) + up / 2) / up);
    // A phase rounded up to a whole sample is phase 0 of the next one.
    const bool next = p == f.phases;
    const std::size_t base = i + std::size_t(next) - f.half + 1;
    const float* h = &f.table[std::size_t(next ? 0 : p) * f.taps];
    const float* l = &f.left[base];
    const float* r = &f.right[base];
    // Eight running sums per side, four at a time: the additions need not
    // wait on each other, and the processor does four in one.
    Four sl[2] = {}, sr[2] = {};
    for (int j = 0; j < f.taps; j += 8) {
      for (int k = 0; k < 2; ++k) {
        const Four hk = Load(h + j + 4 * k);
        sl[k] += hk * Load(l + j + 4 * k);
        sr[k] += hk * Load(r + j + 4 * k);
      }
    }
    const Four tl = sl[0] + sl[1], tr = sr[0] + sr[1];
    out[0] = (tl[0] + tl[1]) + (tl[2] + tl[3]);
    out[1] = (tr[0] + tr[1]) + (tr[2] + tr[3]);
    i += stepWhole;
    rem += stepRest;
    if (rem >= up) {
      rem -= up;
      ++i;
    }
  }
}

}  // namespace

void Resampler::Render(std::size_t first, std::size_t count, float* out) const {
  if (taps_ == 0) {
    // The same rate: the loop's own frames, guards and all.
    for (std::size_t m = 0; m < count; ++m) {
      out[2 * m] = left_[first + m];
      out[2 * m + 1] = right_[first + m];
    }
    return;
  }
  const FilterInput f = {table_.data(), left_.data(), right_.data(), up_,
                         down_,         phases_,      pad_,          half_,
                         taps_,         guard_};
  Filter(f, first, count, out);
}

std::vector<float> ResampleLoop(const float* stereo, std::size_t frames,
                                int inRate, int outRate, int guard) {
  const Resampler resampler(stereo, frames, inRate, outRate, guard);
  std::vector<float> out(2 * resampler.Frames());
  resampler.Render(0, resampler.Frames(), out.data());
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

}  // namespace sound
