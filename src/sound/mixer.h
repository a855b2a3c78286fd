// The channels' shared state, between the commands (game thread) and the
// mixer (audio thread). Channels and the volumes are guarded by MixerLock;
// the audio thread holds it only to read the channels before it mixes and
// to write their positions back after, never while it mixes.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>

#include "base/types.h"
#include "sound/recording.h"
#include "sound/sound.h"
#include "sound/volumes.h"

namespace sound {

struct Channel {
  std::shared_ptr<const Recording> recording;
  uint64_t position = 0;  // frames of the played (resampled) form, 32.32
  u32 frequency = 0;      // 0: the recording's own rate
  bool playing = false;
  bool looping = false;
  // Bumped by every start, stop and new recording, so the mixer knows to
  // fade the old voice out and start the new one.
  u32 serial = 0;
};

extern std::mutex MixerLock;
extern Channel Channels[kChannelCount];
extern int OutputRate;
extern int OutputChannels;
// The player's volumes (see volumes.h).
extern Volumes PlayerVolumes;

// Played frames per output frame, 32.32, for the channel's rate.
uint64_t ChannelStep(const Channel& channel);

// How the mix is levelled: the master gain puts the whole game at a
// desktop level; each recording's own gain comes from its loudness.
inline constexpr float kMasterGain = 0.473f;  // -6.5 dB
// The limiter keeps every output sample at or below this (-1 dBFS).
inline constexpr float kLimiterCeiling = 0.8913f;
// The limiter looks this far ahead, so the output is this late.
int MixDelayFrames();

// Fades, in milliseconds: a voice that is stopped, restarted or stolen fades
// out over kFadeOutMs (the music over kMusicFadeOutMs) while its successor
// starts; a voice resumed mid-way fades in over kFadeOutMs; the music fades
// in over kMusicFadeInMs whenever it starts, short enough to keep the
// downbeat it starts on.
inline constexpr int kFadeOutMs = 8;
inline constexpr int kMusicFadeOutMs = 40;
inline constexpr int kMusicFadeInMs = 10;

// --- Watching the mix (tests, the mix check) -------------------------------

// The steps that commands of one kind made in the output, at full scale 1.
struct StepFigures {
  int count = 0;
  float largest = 0.0f;
  int byDb[121] = {};  // how many in each dB from -120 (and below) to 0
  void Add(float step);
  void Merge(const StepFigures& other);
  // The step that half of them reach (full scale 1).
  float Median() const;
  // How many were larger than `db` dBFS.
  int Over(int db) const;
};

// What the mixer did since the last ResetMixStats.
struct MixStats {
  uint64_t frames = 0;          // output frames mixed
  uint64_t reducedFrames = 0;   // frames the limiter turned down
  uint64_t clippedSamples = 0;  // output samples at full scale
  float peak = 0.0f;            // loudest sum before the limiter
  // Index 0: effects (channels 0 to 12), 1: the music (channel 13).
  StepFigures cuts[2];    // a sounding channel stopped or restarted
  StepFigures starts[2];  // a silent channel started
};
MixStats GetMixStats();
void ResetMixStats();

// Only the channels whose bit is set are heard; the others play on
// unheard, so the mix can be taken apart into stems. All by default; like
// the volumes, a reset of the sound leaves it as it is.
void SetAudibleChannels(uint32_t mask);

// The recordings the mixer let go of, handed to the game thread (MixerLock
// held) to be freed once the lock is released: the audio thread never
// frees memory.
inline constexpr int kRetiredCapacity = 2 * kChannelCount + 4;
void TakeRetired(std::shared_ptr<const Recording>* into, int capacity);

// Back to silence: every voice dropped, the limiter emptied, the figures
// cleared, the channels' state as it is (the mixer's side of ResetSound).
void ResetMixer();

}  // namespace sound
