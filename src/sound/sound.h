// The fourteen sound channels and their commands, as the game uses them.
// The mixer behind them is our own; a platform audio device only pulls its
// output (sound/device.h).
#pragma once
#include "base/types.h"

namespace sound {

inline constexpr int kChannelCount = 14;
// The music's channel; every other one plays an effect.
inline constexpr int kMusicChannel = 13;

// Opens the current platform's audio output; 0 when there is none (the game
// then runs silent and every command is a harmless no-op).
int InitSound();
void ReleaseSound();
int LoadWaveChannel(i32 channel, const char* name);
int DuplicateChannel(i32 destination, i32 source);
// The channels as a game fills them, in this order: "BOMB" in 0 with its
// copies in 1 to 3, "PUTI" in 4, "ITE" in 5, "FALL" in 6, "MUSIC" in 13.
void FillGameChannels();
void SoundCommand(i32 channel, i32 command, u32 frequency);
// Makes one of the game's recordings ready for the device, if one is not:
// called once a frame, so the first game finds them made instead of making
// them all in its first frame. The result is the same either way.
void PrepareGameRecordings();
// True between a successful InitSound and ReleaseSound.
bool SoundDeviceOpen();

// Back to the start-of-run state (device closed, channels empty, the
// built-in recordings, the log empty, the mixer silent). The player's
// volumes stay as they are, and the built-in recordings stay made for the
// device's rate, as they would for a new game.
void ResetSound();

}  // namespace sound
