// The mixer as a listener hears it: the resampler's filter, fades on every
// command, the limiter, the volumes, the loudness meter, and the mix of a
// whole scripted game rendered offline.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "mix_check.h"
#include "sound/inspect.h"
#include "sound/loudness.h"
#include "sound/resample.h"
#include "sound_fixture.h"

namespace {

using namespace soundtest;
using Floats = std::vector<float>;

// Amplitude of the `hz` component of one side of an interleaved stereo
// signal holding a whole number of seconds (so every whole-Hz bin is exact).
double Amplitude(const Floats& stereo, int rate, double hz) {
  const std::size_t n = stereo.size() / 2;
  std::complex<double> sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sum += double(stereo[2 * i]) *
           std::polar(1.0, -2 * M_PI * hz * double(i) / double(rate));
  }
  return 2 * std::abs(sum) / double(n);
}

// One second of a stereo sine.
Floats Sine(int rate, double hz, double amplitude) {
  Floats s(2 * std::size_t(rate));
  for (int i = 0; i < rate; ++i) {
    s[2 * i] = s[2 * i + 1] =
        float(amplitude * std::sin(2 * M_PI * hz * i / rate));
  }
  return s;
}

double Db(double ratio) { return 20 * std::log10(ratio); }

TEST(Resampler, KeepsThePassBandAndRejectsImagesAndAliases) {
  const struct {
    int from, to;
    double tone;
    std::vector<double> unwanted;  // where images or aliases would land
  } kCases[] = {
      // The music, 11025 Hz, four times over: images around 11025 and 22050.
      {11025, 44100, 3000, {8025, 14025, 19050}},
      {11025, 44100, 4500, {6525, 15525, 17550}},
      // The effects, 22050 Hz, twice over.
      {22050, 44100, 9000, {13050}},
      // A 48 kHz device: 320 phases over 147 input samples.
      {22050, 48000, 5000, {17050, 22000}},
      // Going down, what the new rate cannot hold must not fold back.
      {48000, 22050, 15000, {7050}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to) + ", " +
                 std::to_string(int(c.tone)) + " Hz");
    Floats in = Sine(c.from, c.tone, 0.5);
    Floats out = sound::ResampleLoop(in.data(), in.size() / 2, c.from, c.to);
    ASSERT_EQ(out.size(), 2 * std::size_t(c.to));
    if (c.tone < 0.42 * std::min(c.from, c.to)) {
      EXPECT_NEAR(Amplitude(out, c.to, c.tone), 0.5, 0.005);
    }
    for (double hz : c.unwanted) {
      EXPECT_LT(Db(Amplitude(out, c.to, hz) / 0.5), -60) << hz << " Hz";
    }
  }
  // The same rate passes the samples through untouched.
  Floats in = Sine(22050, 1000, 0.5);
  EXPECT_EQ(sound::ResampleLoop(in.data(), 22050, 22050, 22050), in);
}

// The mixer computes the played form a stretch at a time as voices reach
// it: every stretch, wherever it starts, holds exactly the frames of the
// whole form, guards included.
TEST(Resampler, StretchesAreTheWholeFormBitForBit) {
  Floats in = Sine(11025, 440, 0.5);
  in.resize(2 * 7001);  // a loop that is not a whole number of frames out
  for (int to : {44100, 48000, 11025, 8000}) {
    SCOPED_TRACE(to);
    const sound::Resampler resampler(in.data(), in.size() / 2, 11025, to, 64);
    const Floats whole =
        sound::ResampleLoop(in.data(), in.size() / 2, 11025, to, 64);
    ASSERT_EQ(whole.size(), 2 * resampler.Frames());
    for (std::size_t first : {std::size_t(0), std::size_t(1), std::size_t(63),
                              std::size_t(777), resampler.Frames() - 300}) {
      Floats part(2 * 300);
      resampler.Render(first, 300, part.data());
      ASSERT_TRUE(std::equal(part.begin(), part.end(),
                             whole.begin() + std::ptrdiff_t(2 * first)))
          << first;
    }
    EXPECT_EQ(resampler.Input(), in);
  }
}

TEST(Loudness, MeasuresAsBroadcastersDo) {
  for (int rate : {44100, 48000}) {
    SCOPED_TRACE(rate);
    // A 1 kHz tone at -23 dBFS on both sides reads -23 LUFS.
    const double level = std::pow(10.0, -23.0 / 20.0);
    Floats tone = Sine(rate, 1000, level);
    std::vector<float> power =
        sound::KWeightedPower(tone.data(), tone.size() / 2, rate);
    EXPECT_NEAR(sound::IntegratedLoudness(power, rate), -23.0, 0.1);
    EXPECT_NEAR(sound::MaxMomentaryLoudness(power, rate), -23.0, 0.1);
    // Quiet stretches 13 LU down are gated out, silence too: 10 s quiet,
    // 60 s at -23, 10 s quiet, 10 s silent.
    Floats quiet = Sine(rate, 1000, level * std::pow(10.0, -13.0 / 20.0));
    Floats mix;
    for (int second = 0; second < 90; ++second) {
      const Floats& part = second < 10 || second >= 70 ? quiet : tone;
      if (second < 80) mix.insert(mix.end(), part.begin(), part.end());
    }
    mix.resize(mix.size() + 10 * std::size_t(rate), 0.0f);
    power = sound::KWeightedPower(mix.data(), mix.size() / 2, rate);
    EXPECT_NEAR(sound::IntegratedLoudness(power, rate), -23.0, 0.1);
    // Low rumble counts for much less than its level.
    Floats rumble = Sine(rate, 25, level);
    power = sound::KWeightedPower(rumble.data(), rumble.size() / 2, rate);
    EXPECT_LT(sound::IntegratedLoudness(power, rate), -30.0);
  }
}

// --- The mixer, on recordings made here --------------------------------------

// Rises over `rise` samples to `level`, holds, and falls as slowly: any
// step larger than level / rise in the output was made by the mixer.
Bytes Swell(int level, int rise, int hold) {
  std::vector<int> s;
  for (int i = 0; i < rise; ++i) s.push_back(level * i / rise);
  s.insert(s.end(), hold, level);
  for (int i = rise; i > 0; --i) s.push_back(level * i / rise);
  return Mono(s);
}

class Mixer : public soundtest::SoundTest {
 protected:
  void SetUp() override {
    // A 9 kHz second (a seamless loop); a lone full-scale spike.
    Ints sine(22050), click(4000, 0);
    for (int i = 0; i < 22050; ++i) {
      sine[i] = int(16000 * std::sin(2 * M_PI * 9000 * i / 22050));
    }
    click[2000] = 32767;
    // One output frame per recorded one.
    Open({{"SWELL", Swell(24000, 2000, 40000)},
          {"SINE", Mono(sine)},
          {"LOUD", Mono(Ints(30000, 20000))},
          {"CLICK", Mono(click)}});
  }

  // Mixes `frames` frames onto the end of `heard`.
  void Mix(int frames) {
    Samples out(2 * std::size_t(frames));
    sound::MixAudio(out.data(), frames);
    heard.insert(heard.end(), out.begin(), out.end());
  }
  // The largest change between neighbouring samples of one side, from
  // frame `from` on.
  int LargestStep(std::size_t from = 1) const {
    int step = 0;
    for (std::size_t i = 2 * std::max<std::size_t>(from, 1); i < heard.size();
         ++i) {
      step = std::max(step, std::abs(heard[i] - heard[i - 2]));
    }
    return step;
  }
  int Loudest(std::size_t from = 0) const {
    int peak = 0;
    for (std::size_t i = 2 * from; i < heard.size(); ++i) {
      peak = std::max(peak, std::abs(int(heard[i])));
    }
    return peak;
  }
  static int Ms(int milliseconds) { return 22050 * milliseconds / 1000; }

  // The loudest level (dB re the loudest bin) of what was heard from frame
  // `from` on, between `low` and `high` Hz.
  double Spectrum(std::size_t from, int rate, double low, double high) const {
    Floats f(heard.begin() + 2 * from, heard.end());
    for (float& v : f) v /= 32768.0f;
    return mixcheck::SpectrumPeak(f, rate, low, high);
  }

  Samples heard;
};

// -40 dBFS: the largest step any command may make.
constexpr int kStepLimit = 327;

TEST_F(Mixer, EveryCommandFadesInsteadOfStepping) {
  for (int c : {0, 1, 2, 3, 4}) sound::LoadWaveChannel(c, "SWELL");
  sound::LoadWaveChannel(13, "LOUD");
  const int level = int(24000 * sound::kMasterGain);
  // Each step: a channel, a command, then frames mixed.
  const struct {
    int channel, command, frames;
  } kSteps[] = {
      {0, 1, 4000},  // an effect, from its own quiet start
      {0, 1, 4000},  // restarted while loud: the old voice fades out
      {1, 1, 200},   // the bombs' rotation: 1, 2, 3, 0, 1 steals
      {2, 1, 200},    {3, 1, 200}, {0, 1, 200},
      {1, 1, 4000},   {0, 0, 100},  // stopped while loud
      {0, 2, 4000},                 // and resumed mid-way
      {13, -1, 8000},  // the music starts cold on a loud first sample
      {13, -1, 8000},  // restarted while playing
      {13, 0, 4000},   // stopped (the boss key)
  };
  Mix(2000);
  for (const auto& s : kSteps) {
    sound::SoundCommand(s.channel, s.command, 0);
    Mix(s.frames);
  }
  EXPECT_LT(LargestStep(), kStepLimit);
  EXPECT_GT(Loudest(), level);  // it was loud, for all that
  // A stop is done within its fade (and the limiter's look-ahead).
  for (int c : {0, 1, 2, 3, 13}) sound::SoundCommand(c, 0, 0);
  const std::size_t stopped = heard.size() / 2;
  Mix(Ms(sound::kMusicFadeOutMs) + sound::MixDelayFrames() + 1);
  EXPECT_LT(LargestStep(stopped), kStepLimit);
  const std::size_t after = heard.size() / 2;
  Mix(500);
  EXPECT_EQ(Loudest(after), 0);
}

TEST_F(Mixer, ARestartCrossfadesWithoutAGap) {
  sound::LoadWaveChannel(13, "SWELL");
  sound::SoundCommand(13, -1, 0);
  Mix(Ms(sound::kMusicFadeInMs) + 4000);
  const int level = std::abs(heard.back());
  // Restarted, the old voice fades out over a few milliseconds while the
  // new one fades in: the sum dips but never drops out.
  sound::SoundCommand(13, -1, 0);
  const std::size_t at = heard.size() / 2 + sound::MixDelayFrames();
  Mix(Ms(sound::kMusicFadeOutMs) + sound::MixDelayFrames());
  int lowest = level;
  for (std::size_t i = 2 * at; i < heard.size(); ++i) {
    lowest = std::min(lowest, std::abs(int(heard[i])));
  }
  EXPECT_GT(lowest, 0);
  EXPECT_LT(lowest, level);
  EXPECT_LT(LargestStep(), kStepLimit);
}

TEST_F(Mixer, AHeldOutputFadesOutStaysPutAndFadesBackIn) {
  sound::LoadWaveChannel(13, "LOUD");
  sound::LoadWaveChannel(0, "SWELL");
  sound::SoundCommand(13, -1, 0);
  sound::SoundCommand(0, -1, 0);
  Mix(4000);
  const int level = std::abs(heard.back());
  ASSERT_GT(level, 1000);
  // Held (a pause, a device closing): faded out within 5 to 10 ms, plus
  // the limiter's look-ahead, then silence; no step on the way.
  sound::HoldOutput(true);
  const std::size_t held = heard.size() / 2;
  Mix(Ms(sound::kEdgeFadeMs) + 1);
  EXPECT_FALSE(sound::OutputSilent());
  Mix(512);
  EXPECT_TRUE(sound::OutputSilent());
  std::size_t quiet = held;
  for (std::size_t f = held; f < heard.size() / 2; ++f) {
    if (heard[2 * f] != 0) quiet = f + 1;
  }
  EXPECT_GE(quiet - held, std::size_t(Ms(5)));
  EXPECT_LE(quiet - held, std::size_t(Ms(10)));
  EXPECT_EQ(Loudest(quiet), 0);
  // Meanwhile the channels stay where they were...
  const u32 before = sound::ChannelPosition(13);
  Mix(4000);
  EXPECT_EQ(sound::ChannelPosition(13), before);
  // ...and go on from there, faded back in.
  sound::HoldOutput(false);
  Mix(Ms(sound::kEdgeFadeMs) + 2000);
  EXPECT_NEAR(std::abs(heard.back()), level, 2);
  EXPECT_LT(LargestStep(), kStepLimit);
}

TEST_F(Mixer, LimiterTurnsLoudSumsDownSmoothlyAndLetsGoAfter) {
  for (int c : {0, 1, 2, 3}) sound::LoadWaveChannel(c, "SWELL");
  for (int c : {4, 5, 6, 7}) sound::LoadWaveChannel(c, "CLICK");
  // Held at the ceiling: no more, and no less than one step under it.
  const int ceiling = int(std::ceil(sound::kLimiterCeiling * 32768));
  const double steady = 24000 * sound::kMasterGain;
  // One voice stays under the ceiling and is not touched at all.
  sound::SoundCommand(0, 1, 0);
  Mix(8000);
  EXPECT_NEAR(heard.back(), steady, 1.0);
  EXPECT_EQ(sound::GetMixStats().reducedFrames, 0u);
  // Four of them add up to twice full scale: held at the ceiling, smoothly.
  for (int c : {1, 2, 3}) sound::SoundCommand(c, 1, 0);
  Mix(8000);
  EXPECT_NEAR(Loudest(), ceiling - 0.5, 0.5);
  EXPECT_LT(LargestStep(), kStepLimit);
  // When they are gone, the gain comes back to 1 within half a second.
  for (int c : {1, 2, 3}) sound::SoundCommand(c, 0, 0);
  Mix(Ms(500) + 100);
  EXPECT_NEAR(heard.back(), steady, 1.0);
  const sound::MixStats stats = sound::GetMixStats();
  EXPECT_GT(stats.reducedFrames, 0u);
  EXPECT_LT(stats.reducedFrames, 8000u + Ms(500));
  EXPECT_EQ(stats.clippedSamples, 0u);
  // A single-sample spike over the steady voice is seen coming: the gain
  // glides down before it arrives, instead of dropping at it.
  const std::size_t before = heard.size() / 2;
  for (int c : {4, 5, 6, 7}) sound::SoundCommand(c, 1, 0);
  Mix(4000);
  EXPECT_NEAR(Loudest(before), ceiling - 0.5, 0.5);
  std::size_t spike = before;
  while (std::abs(heard[2 * spike]) < ceiling - 1) ++spike;
  EXPECT_LT(heard[2 * (spike - 10)], steady * 0.9);
  for (std::size_t f = before + 1; f < heard.size() / 2; ++f) {
    if (f < spike || f > spike + 1) {
      ASSERT_LT(std::abs(heard[2 * f] - heard[2 * f - 2]), kStepLimit) << f;
    }
  }
  EXPECT_EQ(sound::GetMixStats().clippedSamples, 0u);
}

TEST_F(Mixer, VolumesScaleGroupsGlideAndMute) {
  sound::LoadWaveChannel(0, "SWELL");
  sound::LoadWaveChannel(13, "SWELL");
  sound::SoundCommand(0, -1, 0);
  Mix(8000);
  const double full = heard.back();
  // Each step: the volumes, then the level of the effect and of the music
  // relative to full.
  const struct {
    sound::Volumes set;
    double effects, music;
  } kSteps[] = {
      {{100, 100, 50, false}, 0.1778, 1},  // 50 less: 15 dB down
      {{50, 100, 100, false}, 0.1778, 0.1778}, {{100, 0, 100, false}, 1, 0},
      {{90, 100, 80, false}, 0.3548, 0.7079},  // 3 dB, and 6 dB more
      {{100, 100, 100, true}, 0, 0},           // mute
      {{250, -4, 100, false}, 1, 0},           // brought inside 0 to 100
  };
  for (const auto& s : kSteps) {
    SCOPED_TRACE(&s - kSteps);
    sound::SetVolumes(s.set);
    const sound::Volumes got = sound::GetVolumes();
    EXPECT_EQ(got.master, std::clamp(s.set.master, 0, 100));
    EXPECT_EQ(got.music, std::clamp(s.set.music, 0, 100));
    EXPECT_EQ(got.mute, s.set.mute);
    sound::SoundCommand(13, 0, 0);
    sound::SoundCommand(0, -1, 0);
    Mix(4000);
    EXPECT_NEAR(heard.back(), full * s.effects, 2.0);
    sound::SoundCommand(0, 0, 0);
    sound::SoundCommand(13, -1, 0);
    Mix(Ms(sound::kMusicFadeInMs) + 4000);
    EXPECT_NEAR(heard.back(), full * s.music, 2.0);
  }
  // Turned from full to mute and back while loud: glides, no step.
  sound::SetVolumes({});
  sound::SoundCommand(0, -1, 0);
  heard.clear();
  Mix(4000);
  sound::SetVolumes({100, 100, 100, true});
  Mix(1000);
  sound::SetVolumes({});
  Mix(1000);
  EXPECT_LT(LargestStep(), kStepLimit);
}

TEST_F(Mixer, AChangedPitchIsBandLimitedToo) {
  sound::SetOutputFormat(44100, 2);
  sound::LoadWaveChannel(4, "SINE");
  const double level = 16000 * sound::kMasterGain;
  // A 9 kHz tone recorded at 22050 Hz, played at other rates: nothing but
  // the tone, or nothing at all once it would pass the output's Nyquist.
  for (unsigned frequency : {16000u, 33075u, 44100u, 66150u, 100000u}) {
    SCOPED_TRACE(frequency);
    const double tone = 9000.0 * frequency / 22050;
    sound::SoundCommand(4, -1, frequency);
    heard.clear();
    Mix(3 * 8192);
    if (tone < 22050) {
      EXPECT_NEAR(Loudest(8192), level, 0.01 * level);
      EXPECT_LT(Spectrum(8192, 44100, 20, tone - 100), -60);
      EXPECT_LT(Spectrum(8192, 44100, tone + 100, 22050), -60);
    } else {
      EXPECT_LT(Db(Loudest(8192) / level), -60);
    }
  }
}

// --- A whole game ------------------------------------------------------------

TEST(GameMix, ScriptedGameStaysCleanBalancedAndClickFree) {
  mixcheck::Game game;
  game.pictures = TS_RUN_DIR;
  game.script = TS_GAME_SCRIPT;
  game.seed = 11;
  game.frames = 1780;  // to the result screen
  mixcheck::Figures f = mixcheck::Measure(game, false);
  ASSERT_NEAR(f.seconds, 1780 * 735 / 44100.0, 0.01);
  // Headroom: the limiter seldom works, nothing reaches full scale.
  EXPECT_LT(f.reducedShare, 0.01);
  EXPECT_EQ(f.clipped, 0u);
  // The effects over the music, not drowning it; the pop of a hit clearly
  // over the bomb of its shot; a missed shot's bomb at least as loud as
  // the music over its first 400 ms.
  EXPECT_GT(f.effectsLufs - f.musicLufs, 0.0);
  EXPECT_LT(f.effectsLufs - f.musicLufs, 12.0);
  ASSERT_GT(f.puti.count, 5);
  EXPECT_GT(f.puti.median, 3.0);
  ASSERT_GE(f.loneBombs.count, 1);
  EXPECT_GE(f.loneBombs.lowestOverMusic, 0.0);
  // No command steps more than -40 dBFS.
  for (int g = 0; g < 2; ++g) {
    EXPECT_LT(f.steps.cuts[g].largest, 0.01f) << g;
    EXPECT_LT(f.steps.starts[g].largest, 0.01f) << g;
  }
  EXPECT_GT(f.steps.cuts[0].count, 20);   // the bombs' channels were stolen
  EXPECT_EQ(f.steps.starts[1].count, 1);  // the music started once
}

}  // namespace
