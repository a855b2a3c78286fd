// Looking inside the channels: the tests and the sound check.
#pragma once
#include "base/types.h"

namespace sound {

bool ChannelFilled(i32 channel);
bool ChannelPlaying(i32 channel);
bool ChannelLooping(i32 channel);
// The play position in frames of the recording.
u32 ChannelPosition(i32 channel);
// Length of the channel's recording in frames; 0 when the slot is empty.
u32 ChannelLength(i32 channel);
// How many channels share the recording held by `channel` (0 when empty).
long ChannelShareCount(i32 channel);

}  // namespace sound
