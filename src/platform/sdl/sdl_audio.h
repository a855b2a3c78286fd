// The SDL audio device: it pulls our mixer's output.
#pragma once
#include <SDL.h>

namespace platform {

// Names the program to SDL, so desktop mixers list its sound as
// "TumbleSquash". Call before SDL starts; calling again does no harm.
void SetSdlAppName();

// Starts SDL's sound without opening a device: finding a driver takes
// milliseconds (more with a sound server), spent while the start picture
// is up rather than after the click. OpenSdlAudio does it when not done.
void PrepareSdlAudio();
// Opens the default output device (stereo, signed 16-bit) and starts it
// pulling from the mixer. False when there is no device.
bool OpenSdlAudio();
void CloseSdlAudio();
// Holds the device still (true) or lets it play on; nothing when closed.
void PauseSdlAudio(bool pause);

// The sound check behind --sound-test: plays every recording once through
// the real device, then four bombs over one another, then the music past
// its loop point, printing what plays. Returns the exit code (1 when no
// device could be opened).
int RunSdlSoundTest();

}  // namespace platform
