// Measures the mix of a whole game as a player hears it: the game is played
// headless from an input script, rendered offline, taken apart into stems,
// and measured (limiting, clipping, loudness, masking, steps, images).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sound/mixer.h"

namespace mixcheck {

struct Game {
  std::string pictures;  // folder with the picture files
  std::string script;    // input script
  std::uint32_t seed = 0;
  long long frames = -1;  // -1: to the script's end
};

struct Command {
  std::uint32_t frame;  // 1-based scene call
  int channel, command;
};

struct Render {
  std::vector<float> stereo;  // interleaved, full scale 1
  int rate = 44100;
  sound::MixStats stats;
  std::vector<Command> commands;
};

// Plays the game headless in a fresh folder with only the `audible`
// channels heard, through --audio-out. Empty stereo on failure.
Render RenderGame(const Game& game, std::uint32_t audible);

struct Masking {
  int count = 0;      // sounds of that kind started in the game
  double median = 0;  // its loudness over its length minus the bombs' (LU)
  double lowest = 0;
  double audible = 0;  // share of them at least 3 LU over the bombs
  double lufs = 0;     // the sound alone through the game
};

// Missed shots: a bomb with no other effect starting within 400 ms of it.
struct LoneBombs {
  int count = 0;
  // Over its first 400 ms, the bomb's loudness (the bombs heard alone)
  // minus the music's over the whole game, and minus the music's over the
  // same 400 ms; medians and the lowest, in LU.
  double overMusic = 0, lowestOverMusic = 0;
  double overMusicThere = 0, lowestOverMusicThere = 0;
};

struct Figures {
  double seconds = 0;
  double reducedShare = 0;    // frames the limiter turned down
  std::uint64_t clipped = 0;  // output samples at full scale
  double peakDb = 0;          // loudest sum before the limiter, dBFS
  double mixLufs = 0, effectsLufs = 0, musicLufs = 0, bombsLufs = 0;
  Masking puti, ite, fall;
  LoneBombs loneBombs;
  sound::MixStats steps;       // cuts and starts of the full mix
  double musicImagesDb = 0;    // above 5.6 kHz in the music, re its peak
  double effectsImagesDb = 0;  // above 11.1 kHz in the effects
};

// With `everything` off, only what the tests check: the full mix, the
// music and effects stems, PUTI over the bombs and the lone bombs.
Figures Measure(const Game& game, bool everything = true);
void Print(const Figures& figures, std::FILE* to);
// Each recording's loudness and peak as recorded, and the gain it plays at.
void PrintRecordings(std::FILE* to);

// Loudest level (dB re the loudest bin) of the averaged spectrum of `stereo`
// between `from` and `to` Hz.
double SpectrumPeak(const std::vector<float>& stereo, int rate, double from,
                    double to);

}  // namespace mixcheck
