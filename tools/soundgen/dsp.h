// Small building blocks for making the game's sounds: a repeatable noise
// source, filters and envelopes. Everything is deterministic, so every build
// writes the same bytes.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

namespace soundgen {

inline constexpr double kPi = 3.14159265358979323846;

// A stereo (or mono) signal in floating point, -1..1 at full scale.
struct Signal {
  int rate = 22050;
  int channels = 2;
  int frames = 0;
  std::vector<double> left, right;  // right unused when mono

  Signal(int rate_, int channels_, int frames_)
      : rate(rate_),
        channels(channels_),
        frames(frames_),
        left(frames_, 0.0),
        right(frames_, 0.0) {}
};

// xorshift: the same numbers on every machine.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed ? seed : 1) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // Uniform in -1..1.
  double White() { return double(Next()) / 2147483648.0 - 1.0; }
  // Uniform in 0..1.
  double Unit() { return double(Next()) / 4294967296.0; }

 private:
  uint32_t state_;
};

// Two-pole filter after the well-known audio cookbook formulas.
class Biquad {
 public:
  enum Kind { kLowPass, kHighPass, kBandPass };

  void Set(Kind kind, double rate, double frequency, double q) {
    double nyquistSafe = std::fmin(frequency, rate * 0.45);
    double w = 2.0 * kPi * nyquistSafe / rate;
    double cw = std::cos(w), sw = std::sin(w);
    double alpha = sw / (2.0 * q);
    double a0 = 1.0 + alpha;
    switch (kind) {
      case kLowPass:
        b0_ = (1.0 - cw) / 2.0;
        b1_ = 1.0 - cw;
        b2_ = b0_;
        break;
      case kHighPass:
        b0_ = (1.0 + cw) / 2.0;
        b1_ = -(1.0 + cw);
        b2_ = b0_;
        break;
      case kBandPass:  // peak gain 1
        b0_ = alpha;
        b1_ = 0.0;
        b2_ = -alpha;
        break;
    }
    b0_ /= a0;
    b1_ /= a0;
    b2_ /= a0;
    a1_ = -2.0 * cw / a0;
    a2_ = (1.0 - alpha) / a0;
  }

  double Run(double x) {
    double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

 private:
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Rises from 0 to 1 over `attack` seconds, then decays with time constant
// `decay`.
inline double AttackDecay(double t, double attack, double decay) {
  if (t < 0.0) return 0.0;
  double rise = attack > 0.0 && t < attack ? t / attack : 1.0;
  return rise * std::exp(-(t > attack ? t - attack : 0.0) / decay);
}

// 1 until `length - fade`, then a raised-cosine down to 0 at `length`.
inline double FadeOut(double t, double length, double fade) {
  if (t >= length) return 0.0;
  if (t <= length - fade) return 1.0;
  double x = (length - t) / fade;
  return 0.5 - 0.5 * std::cos(kPi * x);
}

inline double Peak(const Signal& s) {
  double peak = 0.0;
  for (int i = 0; i < s.frames; ++i) {
    peak = std::fmax(peak, std::fabs(s.left[i]));
    if (s.channels == 2) peak = std::fmax(peak, std::fabs(s.right[i]));
  }
  return peak;
}

inline void Normalize(Signal& s, double target) {
  double peak = Peak(s);
  if (peak <= 0.0) return;
  double gain = target / peak;
  for (int i = 0; i < s.frames; ++i) {
    s.left[i] *= gain;
    s.right[i] *= gain;
  }
}

}  // namespace soundgen
