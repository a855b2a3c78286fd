// The channel commands and the WAVE resources they play.
#include "sound/sound.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "base/numbers.h"
#include "base/platform.h"
#include "sound/device.h"
#include "sound/inspect.h"
#include "sound/mixer.h"
#include "sound/recording.h"
#include "sound/resample.h"
#include "sound/sound_log.h"
#include "sound/volumes.h"
#include "sound/wave_resources.h"

namespace sound {

SoundLogEntry SoundLog[kSoundLogCapacity];
int SoundLogCount = 0;

static bool deviceOpen = false;
static const WaveResource* resourceTable = nullptr;  // nullptr: built-in
static int resourceCount = 0;

// How loud each of the game's recordings plays, in LUFS before the master
// gain and the volumes. The bomb is the sound of every shot, the player's
// main action: a missed shot's bomb is at least as loud as the music over
// its first 400 ms. The pop and the yelp of a hit stand above the bomb they
// come with; the music sits under the effects.
static constexpr struct {
  const char* name;
  double lufs;
} kLevels[] = {
    {"BOMB", -21.5}, {"PUTI", -11.0},  {"ITE", -13.0},
    {"FALL", -17.0}, {"MUSIC", -20.0},
};

double LevelOf(const char* name) {
  for (const auto& level : kLevels) {
    if (std::strcmp(level.name, name) == 0) return level.lufs;
  }
  return std::nan("");  // a recording of someone else's: as recorded
}

// Frees what the mixer let go of, outside the lock.
struct Released {
  std::shared_ptr<const Recording> items[kRetiredCapacity];
  std::shared_ptr<const Recording> old;
};

// A channel made new: its serial moves on, so the mixer lets the old voice
// fade out.
static void Renew(Channel& channel, std::shared_ptr<const Recording> with,
                  Released& released) {
  released.old = std::move(channel.recording);
  const u32 serial = channel.serial;
  channel = Channel{};
  channel.serial = serial + 1;
  channel.recording = std::move(with);
}

static bool ValidChannel(i32 channel) {
  return channel >= 0 && channel < kChannelCount;
}

static void EmptyAllChannels() {
  Released released[kChannelCount];
  std::lock_guard<std::mutex> lock(MixerLock);
  for (int k = 0; k < kChannelCount; ++k) {
    Renew(Channels[k], nullptr, released[k]);
  }
  TakeRetired(released[0].items, kRetiredCapacity);
}

int InitSound() {
  if (deviceOpen) return 1;
  EmptyAllChannels();
  if (!platform::Current()->OpenAudio()) return 0;
  deviceOpen = true;
  return 1;
}

void ReleaseSound() {
  // The channels go first, under the lock; the device is closed outside it,
  // since closing waits for the audio thread's pull to finish.
  EmptyAllChannels();
  if (!deviceOpen) return;
  deviceOpen = false;
  platform::Current()->CloseAudio();
}

bool SoundDeviceOpen() { return deviceOpen; }

void SetWaveResources(const WaveResource* table, int count) {
  // Another table's addresses may hold other bytes by now; the built-in
  // recordings never change, so putting them back keeps what was made.
  if (table || resourceTable) ClearRecordingCache();
  resourceTable = table;
  resourceCount = table ? count : 0;
}

const WaveResource* FindWaveResource(const char* name) {
  const WaveResource* table =
      resourceTable ? resourceTable : resources::kWaveResources;
  int count = resourceTable ? resourceCount : resources::kWaveResourceCount;
  if (!name) return nullptr;
  for (int i = 0; i < count; ++i) {
    if (std::strcmp(table[i].type, "WAVE") == 0 &&
        std::strcmp(table[i].name, name) == 0) {
      return &table[i];
    }
  }
  return nullptr;
}

int LoadWaveChannel(i32 channel, const char* name) {
  if (!deviceOpen || !ValidChannel(channel)) return 0;
  const WaveResource* resource = FindWaveResource(name);
  if (!resource) return 0;
  int rate;
  {
    std::lock_guard<std::mutex> lock(MixerLock);
    rate = OutputRate;
  }
  std::shared_ptr<const Recording> recording =
      LoadRecording(*resource, rate, LevelOf(resource->name));
  if (!recording) return 0;
  PitchFilter::For(1.0);  // for positions between frames at the own rate
  Released released;
  std::lock_guard<std::mutex> lock(MixerLock);
  Renew(Channels[channel], std::move(recording), released);
  TakeRetired(released.items, kRetiredCapacity);
  // What the slot held is freed after the lock, unless others still use it.
  return 1;
}

// The game's recordings, in the order a game loads them.
static constexpr const char* kGameRecordings[] = {"BOMB", "PUTI", "ITE", "FALL",
                                                  "MUSIC"};

void PrepareGameRecordings() {
  if (!deviceOpen) return;
  int rate;
  {
    std::lock_guard<std::mutex> lock(MixerLock);
    rate = OutputRate;
  }
  for (const char* name : kGameRecordings) {
    const WaveResource* resource = FindWaveResource(name);
    if (!resource || RecordingReady(*resource, rate, LevelOf(name))) continue;
    LoadRecording(*resource, rate, LevelOf(name));
    return;
  }
  PitchFilter::For(1.0);
}

void FillGameChannels() {
  LoadWaveChannel(0, "BOMB");
  DuplicateChannel(1, 0);
  DuplicateChannel(2, 0);
  DuplicateChannel(3, 0);
  LoadWaveChannel(4, "PUTI");
  LoadWaveChannel(5, "ITE");
  LoadWaveChannel(6, "FALL");
  LoadWaveChannel(kMusicChannel, "MUSIC");
}

int DuplicateChannel(i32 destination, i32 source) {
  if (!deviceOpen || !ValidChannel(destination) || !ValidChannel(source) ||
      destination == source) {
    return 1;
  }
  Released released;
  std::lock_guard<std::mutex> lock(MixerLock);
  if (!Channels[source].recording) return 1;
  Renew(Channels[destination], Channels[source].recording, released);
  TakeRetired(released.items, kRetiredCapacity);
  return 1;
}

void SoundCommand(i32 channel, i32 command, u32 frequency) {
  if (SoundLogCount < kSoundLogCapacity) {
    SoundLog[SoundLogCount++] = {channel, command};
  }
  if (!deviceOpen || !ValidChannel(channel)) return;
  // The filter for reading at this speed is made here, never by the mixer.
  // Only this thread changes a channel's recording, so it may look unlocked.
  if (const Recording* r = Channels[channel].recording.get()) {
    if (frequency >= kMinRate && frequency <= kMaxRate) {
      PitchFilter::For(double(frequency) / double(r->rate));
    }
  }
  Released released;
  std::lock_guard<std::mutex> lock(MixerLock);
  TakeRetired(released.items, kRetiredCapacity);
  Channel& c = Channels[channel];
  if (!c.recording) return;
  if (frequency == 0 || (frequency >= kMinRate && frequency <= kMaxRate)) {
    c.frequency = frequency;
  }
  switch (command) {
    case -1:
      c.position = 0;
      c.playing = true;
      c.looping = true;
      break;
    case 0:
      if (!c.playing) return;  // nothing sounds, nothing to fade
      c.playing = false;
      break;
    case 1:
      c.position = 0;
      c.playing = true;
      c.looping = false;
      break;
    case 2:
      c.looping = false;
      if (c.playing) return;  // sounding already: it plays on, once
      c.playing = true;
      break;
    default:
      return;
  }
  ++c.serial;
}

void ClearSoundLog() { SoundLogCount = 0; }

void ResetSound() {
  EmptyAllChannels();
  deviceOpen = false;
  SoundLogCount = 0;
  SetWaveResources(nullptr, 0);
  SetOutputFormat(44100, 2);
  ResetMixer();
}

// --- Looking inside -------------------------------------------------------

template <typename T, typename F>
static T Inspect(i32 channel, T none, F read) {
  if (!ValidChannel(channel)) return none;
  std::lock_guard<std::mutex> lock(MixerLock);
  const Channel& c = Channels[channel];
  return c.recording ? read(c) : none;
}

bool ChannelFilled(i32 channel) {
  return Inspect(channel, false, [](const Channel&) { return true; });
}
bool ChannelPlaying(i32 channel) {
  return Inspect(channel, false, [](const Channel& c) { return c.playing; });
}
bool ChannelLooping(i32 channel) {
  return Inspect(channel, false, [](const Channel& c) { return c.looping; });
}
u32 ChannelPosition(i32 channel) {
  return Inspect(channel, u32(0), [](const Channel& c) {
    const Recording& r = *c.recording;
    unsigned __int128 at = c.position;
    return u32((at * r.rate / r.playedRate) >> 32);
  });
}
u32 ChannelLength(i32 channel) {
  return Inspect(channel, u32(0),
                 [](const Channel& c) { return c.recording->frames; });
}
long ChannelShareCount(i32 channel) {
  return Inspect(channel, 0L, [](const Channel& c) {
    return long(std::count_if(
        std::begin(Channels), std::end(Channels),
        [&](const Channel& other) { return other.recording == c.recording; }));
  });
}

}  // namespace sound
