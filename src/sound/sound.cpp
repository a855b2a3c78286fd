// The channel commands and the WAVE resources they play.
#include "sound/sound.h"

#include <cstring>

#include "base/bytes.h"
#include "base/platform.h"
#include "sound/device.h"
#include "sound/inspect.h"
#include "sound/mixer.h"
#include "sound/sound_log.h"
#include "sound/wave_resources.h"

namespace sound {

SoundLogEntry SoundLog[kSoundLogCapacity];
int SoundLogCount = 0;

static bool deviceOpen = false;
static const WaveResource* resourceTable = nullptr;  // nullptr: built-in
static int resourceCount = 0;

// DirectSound's frequency range; a rate outside it leaves the old one.
static constexpr u32 kMinFrequency = 100;
static constexpr u32 kMaxFrequency = 100000;

static bool ValidChannel(i32 channel) {
  return channel >= 0 && channel < kChannelCount;
}

static void EmptyAllChannels() {
  std::lock_guard<std::mutex> lock(MixerLock);
  for (Channel& channel : Channels) channel = Channel{};
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

// Reads the canonical 44-byte header at its fixed offsets. Anything we
// could not play, or whose samples would run past the resource, is refused.
static std::shared_ptr<Recording> ParseWave(const WaveResource& resource) {
  const unsigned char* bytes = resource.data;
  if (!bytes || resource.size < 44) return nullptr;
  if (std::memcmp(bytes, "RIFF", 4) != 0 ||
      std::memcmp(bytes + 8, "WAVE", 4) != 0 ||
      std::memcmp(bytes + 12, "fmt ", 4) != 0 ||
      std::memcmp(bytes + 36, "data", 4) != 0) {
    return nullptr;
  }
  u16 formatTag = base::LoadLe16(bytes + 20);
  u16 channels = base::LoadLe16(bytes + 22);
  u32 rate = base::LoadLe32(bytes + 24);
  u16 blockAlign = base::LoadLe16(bytes + 32);
  u16 bits = base::LoadLe16(bytes + 34);
  u32 dataLength = base::LoadLe32(bytes + 40);
  if (formatTag != 1 || (channels != 1 && channels != 2) ||
      (bits != 8 && bits != 16) || blockAlign != channels * bits / 8 ||
      rate < kMinFrequency || rate > kMaxFrequency) {
    return nullptr;
  }
  if (dataLength > resource.size - 44) return nullptr;
  u32 frames = dataLength / blockAlign;
  if (frames == 0) return nullptr;

  auto recording = std::make_shared<Recording>();
  recording->channels = channels;
  recording->rate = rate;
  recording->frames = frames;
  size_t count = size_t(frames) * channels;
  recording->samples.resize(count);
  const unsigned char* data = bytes + 44;
  for (size_t i = 0; i < count; ++i) {
    recording->samples[i] = bits == 8 ? int16_t((int(data[i]) - 128) * 256)
                                      : int16_t(base::LoadLe16(data + 2 * i));
  }
  return recording;
}

int LoadWaveChannel(i32 channel, const char* name) {
  if (!deviceOpen || !ValidChannel(channel)) return 0;
  const WaveResource* resource = FindWaveResource(name);
  if (!resource) return 0;
  std::shared_ptr<const Recording> recording = ParseWave(*resource);
  if (!recording) return 0;
  std::shared_ptr<const Recording> old;
  {
    std::lock_guard<std::mutex> lock(MixerLock);
    old = std::move(Channels[channel].recording);
    Channels[channel] = Channel{};
    Channels[channel].recording = std::move(recording);
  }
  // `old` is freed here, outside the lock, unless a duplicate still uses it.
  return 1;
}

void FillGameChannels() {
  LoadWaveChannel(0, "BOMB");
  DuplicateChannel(1, 0);
  DuplicateChannel(2, 0);
  DuplicateChannel(3, 0);
  LoadWaveChannel(4, "PUTI");
  LoadWaveChannel(5, "ITE");
  LoadWaveChannel(6, "FALL");
  LoadWaveChannel(13, "MUSIC");
}

int DuplicateChannel(i32 destination, i32 source) {
  if (!deviceOpen || !ValidChannel(destination) || !ValidChannel(source) ||
      destination == source) {
    return 1;
  }
  std::shared_ptr<const Recording> old;
  {
    std::lock_guard<std::mutex> lock(MixerLock);
    if (!Channels[source].recording) return 1;
    old = std::move(Channels[destination].recording);
    Channels[destination] = Channel{};
    Channels[destination].recording = Channels[source].recording;
  }
  return 1;
}

void SoundCommand(i32 channel, i32 command, u32 frequency) {
  if (SoundLogCount < kSoundLogCapacity) {
    SoundLog[SoundLogCount++] = {channel, command};
  }
  if (!deviceOpen || !ValidChannel(channel)) return;
  std::lock_guard<std::mutex> lock(MixerLock);
  Channel& c = Channels[channel];
  if (!c.recording) return;
  if (frequency == 0 ||
      (frequency >= kMinFrequency && frequency <= kMaxFrequency)) {
    c.frequency = frequency;
  }
  switch (command) {
    case -1:
      c.position = 0;
      c.playing = true;
      c.looping = true;
      break;
    case 0:
      c.playing = false;
      break;
    case 1:
      c.position = 0;
      c.playing = true;
      c.looping = false;
      break;
    case 2:
      c.playing = true;
      c.looping = false;
      break;
    default:
      break;
  }
}

void ClearSoundLog() { SoundLogCount = 0; }

void ResetSound() {
  EmptyAllChannels();
  deviceOpen = false;
  SoundLogCount = 0;
  SetWaveResources(nullptr, 0);
  SetOutputFormat(44100, 2);
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
  return Inspect(channel, u32(0),
                 [](const Channel& c) { return u32(c.position >> 32); });
}
u32 ChannelLength(i32 channel) {
  return Inspect(channel, u32(0),
                 [](const Channel& c) { return c.recording->frames; });
}
long ChannelShareCount(i32 channel) {
  return Inspect(channel, 0L,
                 [](const Channel& c) { return c.recording.use_count(); });
}

}  // namespace sound
