#include "mix_check.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/bytes.h"
#include "loop/main_loop.h"
#include "platform/headless/headless.h"
#include "platform/system/null_platform.h"
#include "sound/loudness.h"
#include "sound/recording.h"
#include "sound/sound.h"
#include "sound/volumes.h"
#include "sound/wave_resources.h"

namespace fs = std::filesystem;

namespace mixcheck {

namespace {

constexpr int kSamplesPerFrame = platform::NullPlatform::kSamplesPerFrame;

// The trace's "sound" lists, frame by frame.
std::vector<Command> ReadCommands(const fs::path& trace) {
  std::vector<Command> commands;
  std::ifstream in(trace);
  std::string line;
  while (std::getline(in, line)) {
    std::uint32_t frame = std::strtoul(line.c_str() + 9, nullptr, 10);
    std::size_t at = line.find("\"sound\":[");
    if (at == std::string::npos) continue;
    const char* p = line.c_str() + at + 9;
    while (*p == '[') {
      char* end = nullptr;
      int channel = int(std::strtol(p + 1, &end, 10));
      int command = int(std::strtol(end + 1, &end, 10));
      commands.push_back({frame, channel, command});
      p = end + 1;  // past ']'
      if (*p == ',') ++p;
    }
  }
  return commands;
}

std::vector<float> ReadWave(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<u8> bytes((std::istreambuf_iterator<char>(in)),
                        std::istreambuf_iterator<char>());
  std::vector<float> stereo;
  if (bytes.size() < 44) return stereo;
  std::size_t n = (bytes.size() - 44) / 2;
  stereo.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    stereo[i] =
        float(std::int16_t(base::LoadLe16(&bytes[44 + 2 * i]))) / 32768.0f;
  }
  return stereo;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// K-weighted, frame by frame.
std::vector<float> PowerOf(const Render& r) {
  return sound::KWeightedPower(r.stereo.data(), r.stereo.size() / 2, r.rate);
}

double Integrated(const Render& r) {
  return sound::IntegratedLoudness(PowerOf(r), r.rate);
}

// Each start of `channel`: its loudness over `seconds` against the bombs'
// (`over`, their power) over the same time.
Masking MaskingOf(const std::vector<float>& over,
                  const std::vector<Command>& commands, int channel,
                  const Game& game, double seconds) {
  Render alone = RenderGame(game, 1u << channel);
  std::vector<float> own = PowerOf(alone);
  const std::size_t length = std::size_t(seconds * alone.rate);
  std::vector<double> margins;
  Masking m;
  std::uint32_t lastFrame = 0;
  for (const Command& c : commands) {
    if (c.channel != channel || c.command != 1 || c.frame == lastFrame) {
      continue;
    }
    lastFrame = c.frame;
    std::size_t start = std::size_t(c.frame - 1) * kSamplesPerFrame;
    if (start + length > own.size()) continue;
    double mine = sound::WindowLoudness(own.data() + start, length);
    double theirs = sound::WindowLoudness(over.data() + start, length);
    margins.push_back(mine - theirs);
    if (mine - theirs >= 3.0) m.audible += 1;
  }
  m.lufs = sound::IntegratedLoudness(own, alone.rate);
  m.count = int(margins.size());
  if (m.count) {
    m.audible /= m.count;
    m.median = Median(margins);
    m.lowest = *std::min_element(margins.begin(), margins.end());
  }
  return m;
}

LoneBombs LoneBombsOf(const std::vector<float>& bombs,
                      const std::vector<float>& music, double musicLufs,
                      const std::vector<Command>& commands, int rate) {
  constexpr double kSeconds = 0.4;
  const std::size_t length = std::size_t(kSeconds * rate);
  const std::uint32_t apart = std::uint32_t(kSeconds * 60 + 1);
  std::vector<double> over, there;
  for (const Command& c : commands) {
    if (c.channel > 3 || c.command != 1) continue;
    // No other effect starting within 400 ms either side of it.
    const bool alone =
        std::none_of(commands.begin(), commands.end(), [&](const Command& o) {
          return &o != &c && o.command == 1 &&
                 o.channel != sound::kMusicChannel &&
                 o.frame + apart > c.frame && c.frame + apart > o.frame;
        });
    const std::size_t start = std::size_t(c.frame - 1) * kSamplesPerFrame;
    if (!alone || start + length > bombs.size()) continue;
    const double mine = sound::WindowLoudness(bombs.data() + start, length);
    over.push_back(mine - musicLufs);
    there.push_back(mine - sound::WindowLoudness(music.data() + start, length));
  }
  LoneBombs b;
  b.count = int(over.size());
  if (b.count) {
    b.overMusic = Median(over);
    b.lowestOverMusic = *std::min_element(over.begin(), over.end());
    b.overMusicThere = Median(there);
    b.lowestOverMusicThere = *std::min_element(there.begin(), there.end());
  }
  return b;
}

void Fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const double angle = -2 * M_PI / double(len);
    const std::complex<double> w(std::cos(angle), std::sin(angle));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> wk(1);
      for (std::size_t k = 0; k < len / 2; ++k) {
        const auto u = a[i + k], v = a[i + k + len / 2] * wk;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        wk *= w;
      }
    }
  }
}

}  // namespace

double SpectrumPeak(const std::vector<float>& stereo, int rate, double from,
                    double to) {
  // Welch: Blackman-Harris windows of 8192, half overlapping, both sides.
  constexpr std::size_t kSize = 8192;
  std::vector<double> window(kSize), power(kSize / 2 + 1, 0.0);
  for (std::size_t i = 0; i < kSize; ++i) {
    double x = 2 * M_PI * double(i) / double(kSize);
    window[i] = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) -
                0.01168 * std::cos(3 * x);
  }
  const std::size_t frames = stereo.size() / 2;
  std::vector<std::complex<double>> a(kSize);
  for (std::size_t at = 0; at + kSize <= frames; at += kSize / 2) {
    for (int side = 0; side < 2; ++side) {
      for (std::size_t i = 0; i < kSize; ++i) {
        a[i] = stereo[2 * (at + i) + side] * window[i];
      }
      Fft(a);
      for (std::size_t k = 0; k <= kSize / 2; ++k) power[k] += std::norm(a[k]);
    }
  }
  double all = 0, band = 0;
  for (std::size_t k = 1; k <= kSize / 2; ++k) {
    double f = double(k) * rate / double(kSize);
    all = std::max(all, power[k]);
    if (f >= from && f <= to) band = std::max(band, power[k]);
  }
  if (all <= 0) return -300;
  return band > 0 ? 10 * std::log10(band / all) : -300;
}

Render RenderGame(const Game& game, std::uint32_t audible) {
  Render render;
  const fs::path folder =
      fs::temp_directory_path() / ("mixcheck_" + std::to_string(::getpid()) +
                                   "_" + std::to_string(audible));
  fs::create_directories(folder);
  const fs::path previous = fs::current_path();
  fs::current_path(folder);

  loop::ResetRun();
  sound::SetVolumes({});
  sound::SetAudibleChannels(audible);
  sound::ResetMixStats();
  headless::Options options;
  options.hasSeed = true;
  options.seed = game.seed;
  options.frames = game.frames;
  options.dataFolder = fs::absolute(previous / game.pictures).string();
  options.inputFile = fs::absolute(previous / game.script).string();
  if (fs::path(game.script).is_absolute()) options.inputFile = game.script;
  options.traceFile = "trace.jsonl";
  options.audioOutFile = "mix.wav";
  if (headless::Run(options) == 0) {
    render.stats = sound::GetMixStats();
    render.stereo = ReadWave(folder / "mix.wav");
    render.commands = ReadCommands(folder / "trace.jsonl");
  }
  sound::ResetSound();
  sound::SetAudibleChannels(~0u);
  fs::current_path(previous);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return render;
}

Figures Measure(const Game& game, bool everything) {
  Figures f;
  Render mix = RenderGame(game, ~0u);
  if (mix.stereo.empty()) return f;
  const std::size_t frames = mix.stereo.size() / 2;
  f.seconds = double(frames) / mix.rate;
  f.reducedShare = double(mix.stats.reducedFrames) / double(mix.stats.frames);
  f.clipped = mix.stats.clippedSamples;
  f.peakDb = 20 * std::log10(std::max(1e-9f, mix.stats.peak));
  f.steps = mix.stats;
  f.mixLufs = Integrated(mix);
  Render music = RenderGame(game, 1u << 13);
  Render effects = RenderGame(game, ~0u & ~(1u << 13));
  f.musicLufs = Integrated(music);
  f.effectsLufs = Integrated(effects);
  Render bombs = RenderGame(game, 0xFu);
  const std::vector<float> bombsPower = PowerOf(bombs);
  f.bombsLufs = sound::IntegratedLoudness(bombsPower, bombs.rate);
  f.puti = MaskingOf(bombsPower, mix.commands, 4, game, 0.202);
  f.loneBombs = LoneBombsOf(bombsPower, PowerOf(music), f.musicLufs,
                            mix.commands, mix.rate);
  if (!everything) return f;
  f.musicImagesDb = SpectrumPeak(music.stereo, music.rate, 5612.5, 22050);
  f.effectsImagesDb = SpectrumPeak(effects.stereo, effects.rate, 11125, 22050);
  f.ite = MaskingOf(bombsPower, mix.commands, 5, game, 0.158);
  f.fall = MaskingOf(bombsPower, mix.commands, 6, game, 0.749);
  return f;
}

void PrintRecordings(std::FILE* to) {
  for (const char* name : {"BOMB", "PUTI", "ITE", "FALL", "MUSIC"}) {
    const sound::WaveResource* resource = sound::FindWaveResource(name);
    if (!resource) continue;
    auto as = sound::LoadRecording(*resource, 44100, std::nan(""));
    auto played = sound::LoadRecording(*resource, 44100, sound::LevelOf(name));
    if (!as || !played) continue;
    const std::vector<float> frames = as->Played();
    const float* frame0 = frames.data() + 2 * sound::Recording::kGuard;
    std::vector<float> power =
        sound::KWeightedPower(frame0, std::size_t(as->playedFrames), 44100);
    float peak = 0;
    for (float v : frames) peak = std::max(peak, std::fabs(v));
    std::fprintf(to,
                 "%-5s as recorded: loudest 400 ms %.1f LUFS, integrated "
                 "%.1f LUFS, peak %.1f dBFS; plays at gain %+.1f dB\n",
                 name, as->loudness, sound::IntegratedLoudness(power, 44100),
                 20 * std::log10(peak), 20 * std::log10(played->gain));
  }
}

void Print(const Figures& f, std::FILE* to) {
  auto db = [](float v) { return v > 0 ? 20 * std::log10(v) : -300.0; };
  std::fprintf(to, "length                 %.1f s\n", f.seconds);
  std::fprintf(to, "limiter active         %.2f %% of frames\n",
               100 * f.reducedShare);
  std::fprintf(to, "samples at full scale  %llu\n",
               static_cast<unsigned long long>(f.clipped));
  std::fprintf(to, "peak before limiter    %+.1f dBFS\n", f.peakDb);
  std::fprintf(to,
               "loudness: mix %.1f LUFS, effects %.1f, music %.1f "
               "(effects - music %+.1f LU)\n",
               f.mixLufs, f.effectsLufs, f.musicLufs,
               f.effectsLufs - f.musicLufs);
  std::fprintf(to, "bombs alone            %.1f LUFS\n", f.bombsLufs);
  const struct {
    const char* name;
    const Masking& m;
  } masks[] = {{"PUTI", f.puti}, {"ITE", f.ite}, {"FALL", f.fall}};
  for (const auto& [name, m] : masks) {
    std::fprintf(to,
                 "%-5s alone %.1f LUFS; over the bombs: %d starts, median "
                 "%+.1f LU, lowest %+.1f, %.0f %% at least 3 LU over\n",
                 name, m.lufs, m.count, m.median, m.lowest, 100 * m.audible);
  }
  const LoneBombs& b = f.loneBombs;
  std::fprintf(to,
               "lone bombs (missed shots): %d; first 400 ms over the music "
               "%+.1f LU (lowest %+.1f), over the music then %+.1f LU "
               "(lowest %+.1f)\n",
               b.count, b.overMusic, b.lowestOverMusic, b.overMusicThere,
               b.lowestOverMusicThere);
  const char* groups[] = {"effects", "music"};
  for (int g = 0; g < 2; ++g) {
    const sound::StepFigures& c = f.steps.cuts[g];
    const sound::StepFigures& s = f.steps.starts[g];
    std::fprintf(to,
                 "%-7s steps: %d cuts (%d over -40 dBFS, median %.0f, "
                 "largest %.1f dBFS); %d starts (%d over -40, largest %.1f)\n",
                 groups[g], c.count, c.Over(-40), db(c.Median()), db(c.largest),
                 s.count, s.Over(-40), db(s.largest));
  }
  std::fprintf(to,
               "images: music above 5.6 kHz %.1f dB, effects above "
               "11.1 kHz %.1f dB (re the loudest bin)\n",
               f.musicImagesDb, f.effectsImagesDb);
}

}  // namespace mixcheck
