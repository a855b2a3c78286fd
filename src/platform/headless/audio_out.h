// The offline render behind --audio-out: what the mixer produced for a
// headless run, as a 16-bit stereo WAVE file.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace headless {

class AudioRecorder {
 public:
  AudioRecorder() = default;
  AudioRecorder(const AudioRecorder&) = delete;
  AudioRecorder& operator=(const AudioRecorder&) = delete;
  ~AudioRecorder();

  // Creates the file with a header that Close() completes. False on error.
  bool Open(const std::string& path, int rate);
  // Appends `frames` interleaved stereo frames. False once writing failed.
  bool Write(const std::int16_t* samples, int frames);
  // Completes the header (a pipe's says the length is unknown) and closes.
  // False when anything failed to write.
  bool Close();
  bool open() const { return file_ != nullptr; }

 private:
  std::FILE* file_ = nullptr;
  std::uint32_t rate_ = 0;
  std::uint64_t dataBytes_ = 0;
  bool failed_ = false;
  bool seekable_ = true;
};

}  // namespace headless
