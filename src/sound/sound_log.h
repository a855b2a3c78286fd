// Every SoundCommand call of the current scene call, for the trace.
#pragma once
#include "base/types.h"

namespace sound {

inline constexpr int kSoundLogCapacity = 256;
struct SoundLogEntry {
  i32 channel;
  i32 command;
};
extern SoundLogEntry SoundLog[kSoundLogCapacity];
extern int SoundLogCount;
// The frame loop clears the log before each scene call.
void ClearSoundLog();

}  // namespace sound
