// The channels' shared state, between the commands (game thread) and the
// mixer (audio thread). Everything here is guarded by MixerLock.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "base/types.h"
#include "sound/sound.h"

namespace sound {

// A recording turned into signed 16-bit frames once, when it is loaded;
// duplicates share it.
struct Recording {
  std::vector<int16_t> samples;  // interleaved when stereo
  int channels = 1;
  u32 rate = 22050;
  u32 frames = 0;
};

struct Channel {
  std::shared_ptr<const Recording> recording;
  uint64_t position = 0;  // frames, 32.32 fixed point
  u32 frequency = 0;      // 0: the recording's own rate
  bool playing = false;
  bool looping = false;
};

extern std::mutex MixerLock;
extern Channel Channels[kChannelCount];
extern int OutputRate;
extern int OutputChannels;

// Output frames -> recording frames, 32.32, for the channel's rate.
uint64_t ChannelStep(const Channel& channel);

// What happens at the end of a recording, for a position `pos` that has
// reached `end` (both 32.32): a looping channel wraps, a one-shot channel
// stops and rewinds, so that its next play starts over. True while it plays
// on.
inline bool PassEnd(Channel& channel, uint64_t& pos, uint64_t end) {
  if (channel.looping) {
    pos %= end;
    return true;
  }
  channel.playing = false;
  pos = 0;
  return false;
}

}  // namespace sound
