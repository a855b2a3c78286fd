// The headless back end: messages from a script, frames into a trace.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/data_folder.h"
#include "base/numbers.h"
#include "base/say.h"
#include "base/scores.h"
#include "loop/main_loop.h"
#include "platform/headless/audio_out.h"
#include "platform/headless/headless.h"
#include "platform/os/environment.h"
#include "platform/system/game_files.h"
#include "platform/system/null_platform.h"
#include "platform/system/png_file.h"
#include "platform/system/recorder.h"
#include "sound/device.h"
#include "sound/volumes.h"
#include "video/ssk.h"
#include "video/surface.h"

namespace headless {

namespace {

using platform::Message;
using platform::MsgType;

class HeadlessPlatform final : public platform::NullPlatform {
 public:
  HeadlessPlatform(const Options& options, platform::Recorder& recorder,
                   AudioRecorder* audio)
      : options_(options), recorder_(recorder), audio_(audio) {}

  // With --audio-out the silent device really mixes each frame's share of
  // time and keeps it; otherwise it only moves the channels on.
  bool Present(const std::uint8_t* pixels, int pitch,
               const platform::PaletteEntry* palette) override {
    if (!audio_) return NullPlatform::Present(pixels, pitch, palette);
    static std::int16_t mix[2 * kSamplesPerFrame];
    sound::MixAudio(mix, kSamplesPerFrame);
    audio_->Write(mix, kSamplesPerFrame);
    return true;
  }

  bool PollMessage(Message& out) override {
    return recorder_.NextReplayed(out);
  }

  void AfterScene() override {
    recorder_.AfterScene();
#if !TS_NO_PNG
    for (const auto& [frame, file] : options_.shots) {
      if (frame == loop::SceneCalls) {
        if (!WritePng(file, video::BackSurface->pixels,
                      video::BackSurface->pitch, video::ScreenPalette)) {
          base::Say("cannot write shot \"%s\": %s", file.c_str(),
                    std::strerror(errno));
          shotFailed_ = true;
        }
      }
    }
#endif
  }

  bool shotFailed() const { return shotFailed_; }

 private:
  [[maybe_unused]] const Options& options_;  // (no shots without PNG)
  platform::Recorder& recorder_;
  AudioRecorder* audio_;
  bool shotFailed_ = false;
};

}  // namespace

int Main(int argc, char** argv, const char* program) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error)) {
    base::Say("%s", error.c_str());
    return 2;
  }
  if (!FindPictures(options, program)) return 2;
  return Run(options);
}

bool FindPictures(Options& options, const char* program) {
  if (options.noPictures) return true;
  std::string missing;
  std::error_code noFolder;
  if (!options.dataFolder.empty()) {
    // (A folder that is not there at all, Run names.)
    if (platform::HoldsPictures(options.dataFolder, missing) ||
        !std::filesystem::is_directory(options.dataFolder, noFolder)) {
      return true;
    }
    base::Say(
        "--data \"%s\" has no \"%s\"; name the pictures' folder, or run "
        "without them with --no-pictures",
        options.dataFolder.c_str(), missing.c_str());
    return false;
  }
  if (platform::HoldsPictures(".", missing)) return true;
  std::string searched = "the working folder";
  for (const std::string& folder : platform::PictureFolders(
           os::CurrentFileEnvironment(program), std::string())) {
    std::string lacks;
    if (platform::HoldsPictures(folder, lacks)) {
      options.dataFolder = folder;
      return true;
    }
    searched += ", " + folder;
  }
  base::Say(
      "no picture files (\"%s\" and others) in %s; name their folder with "
      "--data DIR, or run without them with --no-pictures",
      missing.c_str(), searched.c_str());
  return false;
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
  auto number = [](const char* text, std::uint64_t limit, std::uint64_t& out) {
    return text && base::ParseUnsigned(text, limit, out);
  };
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    std::uint64_t n = 0;
    const char* volumeError = nullptr;
    const int volumeArgs =
        sound::ParseVolumeOption(argc, argv, i, options.volumes, volumeError);
    if (volumeArgs < 0) {
      error = volumeError;
      return false;
    }
    if (volumeArgs > 0) {
      i += volumeArgs - 1;
    } else if (arg == "--seed") {
      if (!number(value, 0xFFFFFFFFull, n)) {
        error = "--seed needs a number from 0 to 4294967295";
        return false;
      }
      options.hasSeed = true;
      options.seed = static_cast<std::uint32_t>(n);
      ++i;
    } else if (arg == "--frames") {
      // The count of scene calls is 32 bits: a run cannot go further.
      if (!number(value, kLastReachableFrame, n)) {
        error = "--frames needs a number from 0 to 4294967295";
        return false;
      }
      options.frames = static_cast<long long>(n);
      ++i;
    } else if (arg == "--input" || arg == "--trace" || arg == "--audio-out" ||
               arg == "--data") {
      if (!value) {
        error =
            arg + (arg == "--data" ? " needs a folder" : " needs a file name");
        return false;
      }
      (arg == "--input"       ? options.inputFile
       : arg == "--trace"     ? options.traceFile
       : arg == "--audio-out" ? options.audioOutFile
                              : options.dataFolder) = value;
      ++i;
    } else if (arg == "--trace-actors") {
      options.traceActors = true;
    } else if (arg == "--no-pictures") {
      options.noPictures = true;
    } else if (arg == "--shot") {
#if TS_NO_PNG
      error = "--shot: this build writes no PNG files";
      return false;
#endif
      const std::string v = value ? value : "";
      const std::size_t colon = v.find(':');
      if (colon == std::string::npos || colon + 1 == v.size() ||
          !number(v.substr(0, colon).c_str(), 0xFFFFFFFFull, n)) {
        error = "--shot needs FRAME:FILE.png";
        return false;
      }
      options.shots.emplace_back(static_cast<std::uint32_t>(n),
                                 v.substr(colon + 1));
      ++i;
    } else {
      error = "unknown option \"" + arg + "\"";
      return false;
    }
  }
  return true;
}

std::uint32_t LastFrame(const Options& options, std::uint32_t lastEventFrame) {
  if (options.frames >= 0) {
    return static_cast<std::uint32_t>(
        std::min<long long>(options.frames, kLastReachableFrame));
  }
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(
      std::uint64_t{lastEventFrame} + 10000, kLastReachableFrame));
}

std::uint32_t LastFrame(const Options& options,
                        const std::vector<ScriptEvent>& events) {
  std::uint32_t last = 0;
  for (const ScriptEvent& e : events) last = std::max(last, e.frame);
  return LastFrame(options, last);
}

int Run(const Options& options) {
  std::error_code noFolder;
  if (!options.dataFolder.empty() &&
      !std::filesystem::is_directory(options.dataFolder, noFolder)) {
    base::Say("--data \"%s\" is not a folder", options.dataFolder.c_str());
    return 2;
  }
  platform::RemoveLeftovers(base::ScoreFilePath());
  platform::Recorder recorder;
  recorder.Replay(options.events);
  platform::RecorderFiles files;
  files.replay = options.inputFile;
  files.trace = options.traceFile;
  files.traceActors = options.traceActors;
  files.flushEveryLine = false;
  std::string error;
  if (!recorder.Open(files, error)) {
    base::Say("%s", error.c_str());
    return 2;
  }

  AudioRecorder audio;
  if (!options.audioOutFile.empty() &&
      !audio.Open(options.audioOutFile, platform::NullPlatform::kSampleRate)) {
    base::Say("cannot write audio \"%s\": %s", options.audioOutFile.c_str(),
              std::strerror(errno));
    return 2;
  }
  // The run's platform lives only as long as the run; whoever called us
  // gets theirs back.
  platform::Platform* const caller = platform::Current();
  const std::string callerData = base::DataFolder();
  base::SetDataFolder(options.dataFolder);
  HeadlessPlatform platform(options, recorder, audio.open() ? &audio : nullptr);
  const std::uint32_t lastFrame =
      LastFrame(options, recorder.lastReplayedFrame());
  sound::SetVolumes(options.volumes);
  loop::StartOptions start;
  start.fixedSeed = options.hasSeed;
  start.seed = options.seed;
  loop::Start(platform, start);
  int code = 0;
  if (lastFrame > 0) {
    for (;;) {
      const loop::StepResult r = loop::Step();
      if (r == loop::StepResult::Exit) {
        code = loop::ExitCode();
        break;
      }
      if (r == loop::StepResult::Frame && loop::SceneCalls >= lastFrame) {
        break;
      }
    }
  }
  // A save put off while another instance was saving gets its last try.
  base::FinishScores();
  // A run cut short by --frames still releases what it opened.
  loop::ReleaseDevices();
  platform::SetCurrent(caller);
  base::SetDataFolder(callerData);
  const bool written = recorder.Close();
  if (audio.open() && !audio.Close()) {
    base::Say("cannot write audio \"%s\"", options.audioOutFile.c_str());
    return 2;
  }
  return written && !platform.shotFailed() ? code : 2;
}

}  // namespace headless
