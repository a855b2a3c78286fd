// The fourteen sound channels and their commands. The mixer behind them is
// our own; a platform audio device only pulls its output.
#pragma once
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

// Back to the start-of-run state (device closed, channels empty).
void ResetSound();

}  // namespace sound
