// Placeholder channels: every command is logged and otherwise does nothing.
#include "sound/sound.h"

namespace sound {

SoundLogEntry SoundLog[kSoundLogCapacity];
int SoundLogCount = 0;
static bool deviceOpen = false;

int InitSound(platform::Platform&) {
  deviceOpen = true;
  return 1;
}
void ReleaseSound() { deviceOpen = false; }
int LoadWaveChannel(i32, const char*) { return 0; }
int DuplicateChannel(i32, i32) { return 1; }
void SoundCommand(i32 channel, i32 command, u32) {
  if (SoundLogCount < kSoundLogCapacity) {
    SoundLog[SoundLogCount++] = {channel, command};
  }
}
bool SoundDeviceOpen() { return deviceOpen; }
void ClearSoundLog() { SoundLogCount = 0; }
void ResetSound() {
  deviceOpen = false;
  SoundLogCount = 0;
}

}  // namespace sound
