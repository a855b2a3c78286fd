// A session recorded, then replayed: whatever messages come at whatever
// frames, the recording (--record) read back (--replay) gives the same
// events at the same frames, as far as a script holds them, and nothing
// else but the start-up click it supplies when there was none.
//   input: a list of steps; a byte with its top bit set moves the frame loop
//   on (never back) to the frame in the next four bytes, or with the next
//   bit set too, to the last frame less the next byte; any other byte is a
//   message: its type, then a byte for the key or activation and four bytes
//   for the pointer
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "fuzz_folder.h"
#include "loop/main_loop.h"
#include "platform/system/recorder.h"

namespace {

using platform::Message;
using platform::MsgType;

struct Moment {
  bool pregame;
  std::uint32_t sceneCalls;
};

struct Seen {
  std::uint64_t frame;
  Message message;
  bool operator==(const Seen& o) const {
    return frame == o.frame && message.type == o.message.type &&
           message.wParam == o.message.wParam &&
           message.lParam == o.message.lParam;
  }
};

void At(const Moment& m) {
  loop::InPregame = m.pregame;
  loop::SceneCalls = m.sceneCalls;
}

// What a script keeps of a message (the recorder's rules, said again): the
// pointer whole, the buttons, Escape but no other key, losing the
// foreground but not gaining it; the first close as Escape.
bool Kept(Message& m, bool& closed) {
  switch (m.type) {
    case MsgType::MouseMove:
      m.wParam = 0;
      return true;
    case MsgType::LButtonDown:
    case MsgType::LButtonUp:
    case MsgType::RButtonDown:
    case MsgType::RButtonUp:
      m.wParam = m.lParam = 0;
      return true;
    case MsgType::KeyDown:
      m.lParam = 0;
      return m.wParam == platform::kKeyEscape;
    case MsgType::Activate:
      m.lParam = 0;
      return m.wParam == 0;
    case MsgType::Close:
      if (closed) return false;
      closed = true;
      m = {MsgType::KeyDown, platform::kKeyEscape, 0};
      return true;
    case MsgType::Quit:
      return false;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::EnterOwnFolder("ts_fuzz_session");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  loop::ResetRun();
  std::vector<Moment> moments = {{true, 0}};
  std::vector<Seen> want;
  bool closed = false, startClick = false;
  {
    platform::RecorderFiles files;
    files.record = "session.script";
    platform::Recorder recorder;
    std::string error;
    if (!recorder.Open(files, error)) __builtin_trap();
    recorder.BeginRecording(static_cast<std::uint32_t>(size));
    At(moments.back());
    for (std::size_t i = 0; i < size;) {
      const std::uint8_t op = data[i++];
      if (op & 0x80) {
        // The frame in four bytes, or (the count's end being where
        // recordings break) as a step back from the last one.
        const std::size_t bytes = op & 0x40 ? 1 : 4;
        if (i + bytes > size) break;
        Moment next{false, bytes == 1 ? platform::kLastReachableFrame - data[i]
                                      : base::LoadLe32(data + i)};
        i += bytes;
        if (!moments.back().pregame &&
            next.sceneCalls < moments.back().sceneCalls) {
          next.sceneCalls = moments.back().sceneCalls;
        }
        moments.push_back(next);
        At(next);
        continue;
      }
      if (i + 5 > size) break;
      Message m{static_cast<MsgType>(op % 9),
                data[i] == 0 ? platform::kKeyEscape : data[i] - 1u,
                base::LoadLe32(data + i + 1)};
      i += 5;
      recorder.Record(m);
      const std::uint64_t frame = loop::MessageFrame();
      if (frame <= platform::kLastReachableFrame && Kept(m, closed)) {
        want.push_back({frame, m});
        startClick |= frame == 0 && m.type == MsgType::LButtonDown;
      }
    }
    if (!recorder.Close()) __builtin_trap();
  }
  // The click that ends the start-up wait, supplied after its events.
  if (!startClick) {
    std::size_t at = 0;
    while (at < want.size() && want[at].frame == 0) ++at;
    want.insert(want.begin() + static_cast<std::ptrdiff_t>(at),
                {0, {MsgType::LButtonDown, 0, 0}});
  }

  // Replayed through the same moments, then to the last frame there is.
  platform::RecorderFiles files;
  files.replay = "session.script";
  platform::Recorder player;
  std::string error;
  if (!player.Open(files, error)) __builtin_trap();
  std::uint32_t seed = 0;
  if (!player.ReplaySeed(seed) || seed != size) __builtin_trap();
  moments.push_back({false, platform::kLastReachableFrame});
  std::vector<Seen> got;
  for (const Moment& m : moments) {
    At(m);
    for (Message out{}; player.NextReplayed(out);) {
      got.push_back({loop::MessageFrame(), out});
      // Due now, not later: never one from a frame still to come.
      if (got.back().frame > loop::MessageFrame()) __builtin_trap();
    }
  }
  // Each event is replayed in the very pass it was recorded in: the frame
  // it was taken for is the one it is given back for.
  if (got != want) __builtin_trap();
  loop::ResetRun();
  return 0;
}
