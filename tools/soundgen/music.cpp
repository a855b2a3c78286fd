// The background music: sixteen bars in C major at about 128 beats a
// minute, one beat to 5148 frames at 11025 Hz, so the piece is exactly the
// recording's 64 beats long. Every note and echo is written modulo the
// length: whatever still rings at the end sounds at the start, so the loop
// has no seam.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "dsp.h"
#include "recordings.h"

namespace soundgen {

namespace {

constexpr int kRate = 11025;
constexpr int kBeat = 5148;
constexpr int kEighth = kBeat / 2;
constexpr int kBar = kBeat * 4;
constexpr int kBars = 16;
constexpr double kBandLimit = 5000.0;  // keep every partial under Nyquist

double NoteFrequency(int midi) {
  return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// A stereo buffer that wraps around.
struct Loop {
  int frames;
  std::vector<double> left, right;
  explicit Loop(int n) : frames(n), left(n, 0.0), right(n, 0.0) {}
  void Add(long long at, double l, double r) {
    int i = int(((at % frames) + frames) % frames);
    left[i] += l;
    right[i] += r;
  }
};

// pan: 0 left, 0.5 centre, 1 right (equal power).
void PanGains(double pan, double& l, double& r) {
  l = std::cos(pan * kPi / 2.0);
  r = std::sin(pan * kPi / 2.0);
}

// The lead: a hollow pulse-like tone with a little delayed vibrato.
void Lead(Loop& out, int start, int length, int midi, double level,
          double pan) {
  double f = NoteFrequency(midi);
  double gl, gr;
  PanGains(pan, gl, gr);
  double gate = length * 0.88 / kRate;
  int total = int(length * 0.88) + int(0.08 * kRate);
  double phase = 0.0;
  for (int i = 0; i < total; ++i) {
    double t = double(i) / kRate;
    double vibrato =
        t > 0.12 ? 0.006 * std::sin(2.0 * kPi * 5.5 * (t - 0.12)) : 0.0;
    phase += f * (1.0 + vibrato) / kRate;
    double v = 0.0;
    for (int k = 1; k * f < kBandLimit; ++k) {
      double amp = (k % 2 ? 1.0 : 0.4) / k * std::exp(-0.09 * k);
      v += amp * std::sin(2.0 * kPi * k * phase);
    }
    double env = std::fmin(1.0, t / 0.006) * (0.7 + 0.3 * std::exp(-t / 0.08));
    if (t > gate) env *= std::exp(-(t - gate) / 0.02);
    v *= env * level;
    out.Add(start + i, v * gl, v * gr);
  }
}

// Chord stabs: a soft electric-piano pluck (a little frequency modulation
// that fades out).
void Stab(Loop& out, int start, int midi, double level, double pan) {
  double f = NoteFrequency(midi);
  double gl, gr;
  PanGains(pan, gl, gr);
  int total = int(0.4 * kRate);
  for (int i = 0; i < total; ++i) {
    double t = double(i) / kRate;
    double index = 0.25 + 1.1 * std::exp(-t / 0.05);
    double w = 2.0 * kPi * f * t;
    double v = std::sin(w + index * std::sin(w)) * std::fmin(1.0, t / 0.003) *
               std::exp(-t / 0.11);
    v *= level;
    out.Add(start + i, v * gl, v * gr);
  }
}

// A plucked bass: bright at the attack, mellow as the upper partials die.
void Bass(Loop& out, int start, int length, int midi, double level) {
  double f = NoteFrequency(midi);
  double gate = length * 0.85 / kRate;
  int total = int(length * 0.85) + int(0.05 * kRate);
  for (int i = 0; i < total; ++i) {
    double t = double(i) / kRate;
    double v = 0.0;
    for (int k = 1; k * f < kBandLimit && k <= 24; ++k) {
      v += std::sin(2.0 * kPi * k * f * t) / k * std::exp(-t * (2.0 + 2.2 * k));
    }
    v += 0.6 * std::sin(2.0 * kPi * f * t);
    double env = std::fmin(1.0, t / 0.003) * std::exp(-t / 0.35);
    if (t > gate) env *= std::exp(-(t - gate) / 0.012);
    v *= env * level;
    out.Add(start + i, v, v);
  }
}

// A glockenspiel: two inharmonic sine partials that ring.
void Bell(Loop& out, int start, int midi, double level, double pan) {
  double f = NoteFrequency(midi);
  double gl, gr;
  PanGains(pan, gl, gr);
  int total = int(0.9 * kRate);
  for (int i = 0; i < total; ++i) {
    double t = double(i) / kRate;
    double v = std::sin(2.0 * kPi * f * t) * std::exp(-t / 0.35);
    if (f * 2.76 < kBandLimit) {
      v += 0.3 * std::sin(2.0 * kPi * f * 2.76 * t) * std::exp(-t / 0.08);
    }
    v *= std::fmin(1.0, t / 0.002) * level;
    out.Add(start + i, v * gl, v * gr);
  }
}

void Kick(Loop& out, int start, double level) {
  int total = int(0.32 * kRate);
  double phase = 0.0;
  for (int i = 0; i < total; ++i) {
    double t = double(i) / kRate;
    phase += 2.0 * kPi * (48.0 + 115.0 * std::exp(-t / 0.028)) / kRate;
    double v = std::sin(phase) * std::exp(-t / 0.16);
    v = std::tanh(1.5 * v) * level;
    out.Add(start + i, v, v);
  }
}

void Snare(Loop& out, int start, double level, Noise& noise) {
  Biquad band;
  band.Set(Biquad::kBandPass, kRate, 1900.0, 0.7);
  int total = int(0.25 * kRate);
  for (int i = 0; i < total; ++i) {
    double t = double(i) / kRate;
    double rattle = band.Run(noise.White()) * 1.6 * std::exp(-t / 0.065);
    double body = std::sin(2.0 * kPi * 185.0 * t) * std::exp(-t / 0.045);
    double v = (rattle + 0.6 * body) * level;
    out.Add(start + i, v * 0.9, v);
  }
}

void Hat(Loop& out, int start, double level, double decay, Noise& noise) {
  Biquad high;
  high.Set(Biquad::kHighPass, kRate, 3800.0, 0.8);
  int total = int(decay * 6.0 * kRate);
  for (int i = 0; i < total; ++i) {
    double t = double(i) / kRate;
    double v = high.Run(noise.White()) * std::exp(-t / decay) * level;
    out.Add(start + i, v * 0.8, v);
  }
}

// The echo on the lead, bouncing left and right. It runs twice round the
// loop so the echoes at the start are those of the notes at the end.
void PingPong(const Loop& dry, Loop& out, int delay, double feedback,
              double wet) {
  int n = dry.frames;
  std::vector<double> l(n, 0.0), r(n, 0.0);
  for (int lap = 0; lap < 3; ++lap) {
    for (int i = 0; i < n; ++i) {
      int j = ((i - delay) % n + n) % n;
      // Left feeds right and right feeds left.
      double newL = dry.left[i] * 0.5 + dry.right[i] * 0.5 + r[j] * feedback;
      double newR = l[j] * feedback;
      l[i] = newL;
      r[i] = newR;
    }
  }
  for (int i = 0; i < n; ++i) {
    int j = ((i - delay) % n + n) % n;
    out.left[i] += dry.left[i] + l[j] * wet;
    out.right[i] += dry.right[i] + r[j] * wet;
  }
}

struct Note {
  int eighths;  // length
  int midi;     // 0 = rest
};

// Named notes keep the tune readable.
enum : int {
  R = 0,
  B4 = 71,
  C5 = 72,
  D5 = 74,
  E5 = 76,
  F5 = 77,
  G5 = 79,
  A5 = 81,
  B5 = 83,
  C6 = 84,
  D6 = 86,
  E6 = 88,
};

struct Bar {
  int chord[4];  // up to four notes of the stab, 0 = none
  int bass;      // root of the bass line
  Note tune[8];  // the lead, eight eighths in all
};

const Bar kSong[kBars] = {
    {{60, 64, 67, 0},
     36,
     {{2, E5}, {1, G5}, {1, C6}, {1, B5}, {1, G5}, {2, E5}}},
    {{59, 62, 67, 0},
     43,
     {{2, D5}, {1, G5}, {1, B5}, {1, A5}, {1, G5}, {2, D5}}},
    {{60, 64, 69, 0},
     45,
     {{2, C5}, {1, E5}, {1, A5}, {1, G5}, {1, E5}, {1, C5}, {1, E5}}},
    {{60, 65, 69, 0}, 41, {{3, F5}, {1, E5}, {1, F5}, {1, A5}, {2, C6}}},
    {{60, 64, 67, 0},
     36,
     {{2, E5}, {1, G5}, {1, C6}, {1, B5}, {1, G5}, {2, E5}}},
    {{59, 62, 67, 0}, 43, {{2, D5}, {1, G5}, {1, B5}, {2, D6}, {2, B5}}},
    {{60, 65, 69, 0},
     41,
     {{2, C6}, {1, A5}, {1, F5}, {1, A5}, {1, C6}, {2, A5}}},
    {{59, 62, 67, 0}, 43, {{3, G5}, {1, F5}, {1, E5}, {1, D5}, {2, B4}}},
    {{60, 65, 69, 0},
     41,
     {{2, A5}, {1, A5}, {1, G5}, {1, F5}, {1, G5}, {2, A5}}},
    {{59, 62, 67, 0},
     43,
     {{2, B5}, {1, B5}, {1, A5}, {1, G5}, {1, A5}, {2, B5}}},
    {{59, 64, 67, 0},
     40,
     {{2, G5}, {1, B5}, {1, E6}, {1, D6}, {1, B5}, {2, G5}}},
    {{60, 64, 69, 0},
     45,
     {{2, A5}, {1, C6}, {1, E6}, {1, D6}, {1, C6}, {2, A5}}},
    {{62, 65, 69, 0},
     38,
     {{2, F5}, {1, A5}, {1, D6}, {1, C6}, {1, A5}, {2, F5}}},
    {{59, 62, 67, 0},
     43,
     {{1, G5}, {1, A5}, {1, B5}, {1, D6}, {1, C6}, {1, B5}, {1, A5}, {1, G5}}},
    {{60, 64, 67, 0}, 36, {{2, E5}, {1, G5}, {3, C6}, {2, R}}},
    {{59, 62, 65, 67},
     43,
     {{2, G5}, {1, F5}, {1, D5}, {1, B4}, {1, D5}, {1, F5}, {1, D5}}},
};

}  // namespace

Signal MakeMusic(int frames) {
  if (frames != kBar * kBars) {
    std::fprintf(stderr, "soundgen: the music must be %d frames\n",
                 kBar * kBars);
    std::exit(1);
  }
  Loop mix(frames), lead(frames);
  Noise noise(0x3A5Cu);
  for (int b = 0; b < kBars; ++b) {
    const Bar& bar = kSong[b];
    int at = b * kBar;

    // The tune; each bar must add up to eight eighths.
    int pos = 0;
    for (const Note& note : bar.tune) {
      if (note.eighths == 0) break;
      if (note.midi) {
        Lead(lead, at + pos * kEighth, note.eighths * kEighth, note.midi, 0.26,
             0.6);
      }
      pos += note.eighths;
    }
    if (pos != 8) {
      std::fprintf(stderr, "soundgen: bar %d has %d eighths\n", b + 1, pos);
      std::exit(1);
    }

    // Offbeat stabs, and a bouncing bass: root, octave, fifth, octave.
    static const int kBassSteps[8] = {0, 12, 7, 12, 0, 12, 7, 12};
    for (int e = 0; e < 8; ++e) {
      int t = at + e * kEighth;
      if (e % 2 == 1) {
        for (int n : bar.chord) {
          if (n) Stab(mix, t, n, 0.085, 0.3);
        }
      }
      Bass(mix, t, kEighth, bar.bass + kBassSteps[e], e % 2 ? 0.2 : 0.26);
    }

    // Drums: kick on one and three (with a skip in every other bar), snare
    // on two and four, hats on every eighth, louder off the beat.
    Kick(mix, at, 0.55);
    Kick(mix, at + 4 * kEighth, 0.55);
    if (b % 2 == 1) Kick(mix, at + 7 * kEighth, 0.38);
    Snare(mix, at + 2 * kEighth, 0.3, noise);
    if (b == kBars - 1) {
      // A little roll into the top of the loop.
      for (int k = 0; k < 4; ++k) {
        Snare(mix, at + 6 * kEighth + k * (kEighth / 2), 0.14 + 0.05 * k,
              noise);
      }
    } else {
      Snare(mix, at + 6 * kEighth, 0.3, noise);
    }
    for (int e = 0; e < 8; ++e) {
      bool open = e == 7 && b % 2 == 0;
      Hat(mix, at + e * kEighth, e % 2 ? 0.1 : 0.06, open ? 0.09 : 0.018,
          noise);
    }

    // In the second half a glockenspiel climbs the chord, one note a beat.
    if (b >= 8) {
      int tones[4] = {bar.chord[0] + 24, bar.chord[1] + 24, bar.chord[2] + 24,
                      bar.chord[0] + 36};
      for (int q = 0; q < 4; ++q) {
        Bell(mix, at + q * kBeat + kEighth, tones[q], 0.07, 0.75);
      }
    }
  }
  PingPong(lead, mix, 3 * kEighth, 0.35, 0.3);

  Signal s(kRate, 2, frames);
  for (int i = 0; i < frames; ++i) {
    // A gentle squash of the peaks keeps the drums from poking out.
    s.left[i] = std::tanh(1.2 * mix.left[i]);
    s.right[i] = std::tanh(1.2 * mix.right[i]);
  }
  // Quieter than the effects: they play on top of it.
  Normalize(s, 0.55);
  return s;
}

}  // namespace soundgen
