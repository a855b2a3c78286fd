// The fourteen sound channels and their commands. The mixer behind them is
// our own; a platform audio device only pulls its output.
#pragma once
#include <cstdint>

#include "app/types.h"
#include "platform/platform.h"

namespace sound {

inline constexpr int kChannelCount = 14;

// Opens the platform's audio output; 0 when there is none (the game then
// runs silent and every command is a harmless no-op).
int InitSound(platform::Platform& platform);
void ReleaseSound();
int LoadWaveChannel(i32 channel, const char* name);
int DuplicateChannel(i32 destination, i32 source);
// The channels as a game fills them, in this order: "BOMB" in 0 with its
// copies in 1 to 3, "PUTI" in 4, "ITE" in 5, "FALL" in 6, "MUSIC" in 13.
void FillGameChannels();
void SoundCommand(i32 channel, i32 command, u32 frequency);
// True between a successful InitSound and ReleaseSound.
bool SoundDeviceOpen();

// Every SoundCommand call is recorded here (channel, command) until the log
// is cleared; the headless trace reads it once per scene call.
inline constexpr int kSoundLogCapacity = 256;
struct SoundLogEntry {
  i32 channel;
  i32 command;
};
extern SoundLogEntry SoundLog[kSoundLogCapacity];
extern int SoundLogCount;
void ClearSoundLog();

// Back to the start-of-run state (device closed, channels empty, the
// built-in recordings).
void ResetSound();

// --- The device side ------------------------------------------------------

// The format the device wants: rate in Hz, 1 (mono) or 2 (stereo) channels.
// Set it before the device starts pulling.
void SetOutputFormat(int rate, int channels);
// Fills `frames` frames of signed 16-bit samples (interleaved when stereo)
// and moves every playing channel on. Called from the audio thread; it
// takes the mixer's lock and allocates nothing.
void MixAudio(int16_t* out, int frames);

// The headless back end's device: it plays nothing, but time passes for the
// channels as it would on a real device (stereo at `rate`).
void OpenSilentDevice(int rate);
// Moves every playing channel on by `sampleFrames` output frames without
// mixing (cheap enough to run after every headless frame).
void AdvanceSilentDevice(int sampleFrames);
void CloseSilentDevice();

// --- Looking inside (tests, the sound check) ------------------------------

bool ChannelFilled(i32 channel);
bool ChannelPlaying(i32 channel);
bool ChannelLooping(i32 channel);
// The play position in frames of the recording.
u32 ChannelPosition(i32 channel);
// Length of the channel's recording in frames; 0 when the slot is empty.
u32 ChannelLength(i32 channel);
// How many channels share the recording held by `channel` (0 when empty).
long ChannelShareCount(i32 channel);

// --- Recordings -----------------------------------------------------------

// A resource compiled into the executable. The built-in table is made at
// build time from the generated WAVE files.
struct WaveResource {
  const char* type;  // "WAVE"
  const char* name;
  const unsigned char* data;
  unsigned size;
};
// Replaces the resource table LoadWaveChannel searches (tests install small
// synthetic recordings this way); nullptr puts the built-in table back. The
// table must outlive its use.
void SetWaveResources(const WaveResource* table, int count);
// The resource of type "WAVE" with that name, or nullptr.
const WaveResource* FindWaveResource(const char* name);

}  // namespace sound
