// A session on disk, the same for every back end: the recording of the
// player's input (--record), the replay of a script in place of the player
// (--replay, and the headless runner's --input), and the trace, one JSON
// line a scene call (--trace).
//
// Which frame an event belongs to is the frame loop's word
// (loop::MessageFrame): an event recorded before frame F replays before
// frame F.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/platform.h"
#include "platform/system/script.h"

namespace platform {

struct RecorderFiles {
  std::string record;  // the session's input, written as a script
  std::string replay;  // a script whose input is played
  std::string trace;   // one line a scene call
  bool traceActors = false;
  // Each line on its way at once (a window someone may kill), or written in
  // large blocks (headless runs, where speed counts).
  bool flushEveryLine = true;
};

class Recorder {
 public:
  Recorder() = default;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  ~Recorder();

  // Loads the replay and creates the record and trace files. False with a
  // one-line reason naming the file when one cannot be used.
  bool Open(const RecorderFiles& files, std::string& error);
  // The seed the replay's first line names ("# seed N"); false for none.
  bool ReplaySeed(std::uint32_t& seed) const;
  // Starts the recording with the seed its replay must use.
  void BeginRecording(std::uint32_t seed);

  // Plays these events (in place of a replay file's).
  void Replay(std::vector<ScriptEvent> events);
  bool replaying() const { return replaying_; }
  // The largest frame of any event replayed (0 for none).
  std::uint32_t lastReplayedFrame() const { return replay_.lastFrame(); }
  bool recording() const { return record_.file != nullptr; }
  // The replay's next event, when its frame is due now.
  bool NextReplayed(Message& out);

  // A message the frame loop takes now, into the recording with its frame.
  void Record(const Message& m);
  // After each scene call: the trace line.
  void AfterScene();

  // Writes out and closes the files. False when anything could not be
  // written (said on stderr, one line a file, when it first happened).
  bool Close();
  bool failed() const { return failed_; }

 private:
  struct Output {
    std::FILE* file = nullptr;
    std::string name;
    bool failed = false;
  };
  bool Create(Output& out, const std::string& name, const char* what,
              std::string& error);
  void Write(Output& out, const std::string& text);
  void Fail(Output& out);

  RecorderFiles files_;
  Output record_, trace_;
  bool closeRecorded_ = false;
  ScriptStream replay_;
  bool replaying_ = false;
  std::string line_;
  bool failed_ = false;
};

}  // namespace platform
