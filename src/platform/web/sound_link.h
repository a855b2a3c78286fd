// The page's sound is mixed where the browser renders it: our mixer is built
// a second time, small, for the page's audio worklet, so a busy or stalled
// page never starves it and a shot is heard within a render quantum of its
// frame. The game keeps its own channels as on the desktop, with stand-in
// recordings (the real ones are fetched for the worklet after the start
// picture); after each scene call what changed in them goes to the worklet,
// which puts it in its channels. The desktop's mixer, too, sees the channels
// only as they are when it pulls. Standard C++ only, so the native tests
// check both ends.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sound/mixer.h"
#include "sound/wave_resources.h"

namespace web {

// Silent stand-ins for the recordings, one for each name, in the order the
// page lists them. The stand-in for the recording numbered i is i + 1
// frames long: that is how the game's channels tell the worklet which
// recording they hold.
class StandIns {
 public:
  explicit StandIns(const std::vector<std::string>& names);
  // Puts them in place of the built-in recordings (again after every reset
  // of the sound, which puts the built-in table back).
  void Install() const;
  int count() const { return static_cast<int>(table_.size()); }

 private:
  std::vector<std::string> names_;
  std::vector<std::vector<unsigned char>> waves_;
  std::vector<sound::WaveResource> table_;
};

// The words of a change: per channel [channel, serial, recording (-1: none),
// frequency, flags (1 playing, 2 looping)]; the volumes come first, as
// [master, music, effects, mute].
inline constexpr int kVolumeWords = 4;
inline constexpr int kChannelWords = 5;

// The game's side: what changed in its channels and volumes since the last
// call. Empty when nothing did.
class ChannelWatch {
 public:
  void Collect(const sound::Channel* channels, const sound::Volumes& volumes,
               std::vector<std::uint32_t>& words);
  // Everything goes again at the next Collect (a new worklet).
  void Forget() { known_ = false; }

 private:
  struct Seen {
    std::uint32_t serial, recording, frequency, flags;
  };
  bool known_ = false;
  Seen seen_[sound::kChannelCount] = {};
  sound::Volumes volumes_;
};

// The worklet's side: puts the changes into `channels`, whose recordings
// are `recordings` by number (null where one has not arrived). Apply says
// how many channels it started.
class ChannelMirror {
 public:
  int Apply(
      std::span<const std::uint32_t> words, sound::Channel* channels,
      const std::vector<std::shared_ptr<const sound::Recording>>& recordings);
  // A recording arrived late: a channel that should be looping it starts
  // it now (the music); effects that were due while it was missing are
  // not played late.
  void Arrived(
      int recording, sound::Channel* channels,
      const std::vector<std::shared_ptr<const sound::Recording>>& recordings);
  bool HasVolumes() const { return haveVolumes_; }
  const sound::Volumes& volumes() const { return volumes_; }

 private:
  // Per channel, as the game has it: the recording it holds (-1: none), its
  // flags, and the game's serial last taken in.
  std::int32_t wanted_[sound::kChannelCount] = {-1, -1, -1, -1, -1, -1, -1,
                                                -1, -1, -1, -1, -1, -1, -1};
  std::uint32_t wantedFlags_[sound::kChannelCount] = {};
  std::uint32_t serials_[sound::kChannelCount] = {};
  bool known_[sound::kChannelCount] = {};
  bool haveVolumes_ = false;
  sound::Volumes volumes_;
};

}  // namespace web
