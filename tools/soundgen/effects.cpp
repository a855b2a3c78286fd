// The four sound effects: an explosion, a squash pop, a yelp and a falling
// whistle.
#include <cmath>

#include "dsp.h"
#include "recordings.h"

namespace soundgen {

// A blast that cracks, booms and rumbles away, with debris pattering down.
Signal MakeBomb(int frames) {
  Signal s(22050, 2, frames);
  const double rate = s.rate;
  const double length = frames / rate;
  Noise noise(0xB0B0B0u);
  Biquad bodyL, bodyR, rumbleL, rumbleR, crackleL, crackleR;
  crackleL.Set(Biquad::kBandPass, rate, 2600.0, 1.4);
  crackleR.Set(Biquad::kBandPass, rate, 3100.0, 1.4);
  double boomPhase = 0.0;
  double brownL = 0.0, brownR = 0.0;
  for (int i = 0; i < frames; ++i) {
    double t = i / rate;
    if (i % 16 == 0) {
      // The fireball's hiss darkens as it spreads.
      double cutoff = 140.0 + 4200.0 * std::exp(-t / 0.16);
      bodyL.Set(Biquad::kLowPass, rate, cutoff, 0.8);
      bodyR.Set(Biquad::kLowPass, rate, cutoff * 0.93, 0.8);
      double low = 90.0 + 160.0 * std::exp(-t / 0.5);
      rumbleL.Set(Biquad::kLowPass, rate, low, 0.9);
      rumbleR.Set(Biquad::kLowPass, rate, low * 1.07, 0.9);
    }
    // Crack: a few milliseconds of raw noise.
    double crack = AttackDecay(t, 0.0005, 0.006);
    double crackL = noise.White() * crack;
    double crackR = noise.White() * crack;

    // Boom: a sine that drops from a thump to a sub-bass, a little driven.
    double boomFreq = 34.0 + 96.0 * std::exp(-t / 0.11);
    boomPhase += 2.0 * kPi * boomFreq / rate;
    double boom = std::tanh(1.8 * std::sin(boomPhase)) *
                  AttackDecay(t, 0.003, 0.42) * 0.85;

    double body = AttackDecay(t, 0.002, 0.55);
    double bL = bodyL.Run(noise.White()) * body * 1.25;
    double bR = bodyR.Run(noise.White()) * body * 1.25;

    brownL = 0.985 * brownL + 0.15 * noise.White();
    brownR = 0.985 * brownR + 0.15 * noise.White();
    double rumble = AttackDecay(t, 0.12, 0.85);
    double rL = rumbleL.Run(brownL) * rumble * 1.6;
    double rR = rumbleR.Run(brownR) * rumble * 1.6;

    // Debris: sparse clicks, thinning out after the first second.
    double density = 0.006 * std::exp(-t / 0.7) * (t > 0.08 ? 1.0 : 0.0);
    double clickL = 0.0, clickR = 0.0;
    if (noise.Unit() < density) {
      double size = 0.3 + 0.7 * noise.Unit();
      double pan = noise.Unit();
      clickL = size * (1.0 - pan) * 3.5;
      clickR = size * pan * 3.5;
    }
    double debrisL = crackleL.Run(clickL) * std::exp(-t / 1.1);
    double debrisR = crackleR.Run(clickR) * std::exp(-t / 1.1);

    double fade = FadeOut(t, length, 0.5);
    s.left[i] = (crackL + boom + bL + rL + debrisL) * fade;
    s.right[i] = (crackR + boom + bR + rR + debrisR) * fade;
  }
  // Drive it a little for punch, and keep the sub-bass from leaving the
  // speaker off centre.
  Biquad dcL, dcR;
  dcL.Set(Biquad::kHighPass, rate, 22.0, 0.7);
  dcR.Set(Biquad::kHighPass, rate, 22.0, 0.7);
  for (int i = 0; i < frames; ++i) {
    s.left[i] = dcL.Run(std::tanh(1.3 * s.left[i]));
    s.right[i] = dcR.Run(std::tanh(1.3 * s.right[i]));
  }
  Normalize(s, 0.92);
  return s;
}

// A wet pop: a pitch that falls like a bursting bubble, a squelch of
// filtered noise and a smaller second bubble.
Signal MakePuti(int frames) {
  Signal s(22050, 2, frames);
  const double rate = s.rate;
  const double length = frames / rate;
  Noise noise(0x5017u);
  Biquad squelchL, squelchR;
  double popPhase = 0.0, bubblePhase = 0.0;
  for (int i = 0; i < frames; ++i) {
    double t = i / rate;
    double popFreq = 170.0 + 1100.0 * std::exp(-t / 0.011);
    popPhase += 2.0 * kPi * popFreq / rate;
    double pop = std::sin(popPhase) * AttackDecay(t, 0.0008, 0.045);

    if (i % 8 == 0) {
      double centre = 480.0 + 1900.0 * std::exp(-t / 0.03);
      squelchL.Set(Biquad::kBandPass, rate, centre, 2.5);
      squelchR.Set(Biquad::kBandPass, rate, centre * 1.12, 2.5);
    }
    double wet = AttackDecay(t - 0.004, 0.003, 0.03) * 1.8;
    double sqL = squelchL.Run(noise.White()) * wet;
    double sqR = squelchR.Run(noise.White()) * wet;

    double tb = t - 0.055;
    double bubble = 0.0;
    if (tb >= 0.0) {
      double bubbleFreq = 260.0 + 700.0 * std::exp(-tb / 0.009);
      bubblePhase += 2.0 * kPi * bubbleFreq / rate;
      bubble = std::sin(bubblePhase) * AttackDecay(tb, 0.0008, 0.03) * 0.45;
    }

    double fade = FadeOut(t, length, 0.04);
    s.left[i] = (pop + sqL + bubble * 0.8) * fade;
    s.right[i] = (pop + sqR + bubble) * fade;
  }
  Normalize(s, 0.85);
  return s;
}

// A cartoon "i-te!": a voice on the vowel i, a short t, then e, its pitch
// jumping up and falling away.
Signal MakeIte(int frames) {
  Signal s(22050, 1, frames);
  const double rate = s.rate;
  const double length = frames / rate;
  Noise noise(0x17Eu);
  Biquad f1, f2, f3, burst;
  burst.Set(Biquad::kHighPass, rate, 3500.0, 0.7);
  double phase = 0.0;
  const double closeAt = 0.062, openAt = 0.078;
  for (int i = 0; i < frames; ++i) {
    double t = i / rate;
    // Pitch: up into the cry, then down at the end.
    double pitch = t < 0.03 ? 560.0 + 240.0 * (t / 0.03)
                            : 800.0 - 330.0 * ((t - 0.03) / (length - 0.03));
    pitch *= 1.0 + 0.012 * std::sin(2.0 * kPi * 28.0 * t);
    phase += pitch / rate;
    phase -= std::floor(phase);
    // A band-limited buzz: the harmonics a throat makes, below 9 kHz.
    double buzz = 0.0;
    for (int k = 1; k * pitch < 9000.0; ++k) {
      buzz += std::sin(2.0 * kPi * k * phase) / k;
    }
    if (i % 8 == 0) {
      bool e = t >= closeAt;
      f1.Set(Biquad::kBandPass, rate, e ? 470.0 : 300.0, 6.0);
      f2.Set(Biquad::kBandPass, rate, e ? 1950.0 : 2300.0, 9.0);
      f3.Set(Biquad::kBandPass, rate, e ? 2650.0 : 3000.0, 10.0);
    }
    double voice =
        f1.Run(buzz) * 1.0 + f2.Run(buzz) * 0.7 + f3.Run(buzz) * 0.45;
    // The t: the voice stops, a puff of breath, the voice again.
    double gate = 1.0;
    if (t >= closeAt - 0.006 && t < closeAt) gate = (closeAt - t) / 0.006;
    if (t >= closeAt && t < openAt) gate = 0.0;
    if (t >= openAt && t < openAt + 0.008) gate = (t - openAt) / 0.008;
    double puff = 0.0;
    if (t >= openAt - 0.004 && t < openAt + 0.012) {
      puff = burst.Run(noise.White()) *
             AttackDecay(t - (openAt - 0.004), 0.001, 0.004) * 0.25;
    }
    double level = AttackDecay(t, 0.008, 1.0) * FadeOut(t, length, 0.05);
    s.left[i] = (voice * gate + puff) * level;
  }
  Normalize(s, 0.8);
  return s;
}

// A whistle gliding down as something drops from the sky.
Signal MakeFall(int frames) {
  Signal s(22050, 2, frames);
  const double rate = s.rate;
  const double length = frames / rate;
  Noise noise(0xFA11u);
  Biquad breathL, breathR;
  double phase = 0.0;
  for (int i = 0; i < frames; ++i) {
    double t = i / rate;
    double x = t / length;
    double pitch = 2300.0 * std::pow(420.0 / 2300.0, x);
    pitch *= 1.0 + 0.008 * std::sin(2.0 * kPi * 7.0 * t);
    phase += 2.0 * kPi * pitch / rate;
    double tone = std::sin(phase) + 0.12 * std::sin(2.0 * phase);
    if (i % 16 == 0) {
      breathL.Set(Biquad::kBandPass, rate, pitch, 4.0);
      breathR.Set(Biquad::kBandPass, rate, pitch * 1.03, 4.0);
    }
    double level = AttackDecay(t, 0.03, 10.0) * FadeOut(t, length, 0.09);
    // It swells a little as it comes nearer.
    level *= 0.75 + 0.25 * x;
    double bL = breathL.Run(noise.White()) * 0.35;
    double bR = breathR.Run(noise.White()) * 0.35;
    s.left[i] = (tone + bL) * level;
    s.right[i] = (tone + bR) * level;
  }
  Normalize(s, 0.7);
  return s;
}

}  // namespace soundgen
